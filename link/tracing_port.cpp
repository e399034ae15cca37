#include "link/tracing_port.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/ascii_text.h"
#include "link/command_frame.h"
#include "link/passing_port.h"

namespace quintrel {

namespace {

class TracingPort final : public PassingPort {
 public:
  TracingPort(std::unique_ptr<SerialPort> inner, std::ostream& out,
              TracingBackend::TimeSource times)
      : PassingPort(std::move(inner)), out_(out), times_(times) {}
  ~TracingPort() override { flush(); }
  TracingPort(const TracingPort&) = delete;
  TracingPort& operator=(const TracingPort&) = delete;

  void purge() override {
    flush();
    if (times_.precise != nullptr) {
      out_ << stamp(now()) << " ms  purge\n" << std::flush;
    }
    inner().purge();
  }

  WriteOutcome write(std::span<const std::uint8_t> bytes) override {
    // Stamped when the bytes are handed over: the other end may read them before write returns.
    const std::uint64_t handed_over = now();
    const WriteOutcome outcome = inner().write(bytes);
    if (direction_ != Direction::kSent) {
      start_line(Direction::kSent, handed_over);
    }
    const std::size_t accepted = outcome.ok ? std::min(outcome.written, bytes.size()) : 0;
    pending_.insert(pending_.end(), bytes.begin(),
                    bytes.begin() + static_cast<std::ptrdiff_t>(accepted));
    line_end_ = handed_over;
    if (!outcome.ok) {
      flush(" (write failed)");
    }
    return outcome;
  }

  bool read_byte(std::uint8_t& byte) override {
    if (direction_ == Direction::kSent) {
      flush();  // the host has stopped writing: the frame is out
    }
    if (!inner().read_byte(byte)) {
      return false;
    }
    const std::uint64_t arrived = now();
    if (direction_ != Direction::kReceived) {
      start_line(Direction::kReceived, arrived);
    }
    line_end_ = arrived;
    pending_.push_back(byte);
    if (check_byte_next_) {
      flush();
    } else if (in_frame_ && byte == kEtx) {
      check_byte_next_ = true;
    } else if (byte == kStx) {
      in_frame_ = true;
    }
    return true;
  }

 private:
  enum class Direction { kNone, kSent, kReceived };

  // Milliseconds since the trace's start, or microseconds in the precise form.
  std::uint64_t now() const {
    if (times_.precise != nullptr) {
      return times_.precise->now_us();
    }
    return static_cast<std::uint32_t>(times_.since_start->now_ms() - times_.start_ms);
  }

  std::string stamp(std::uint64_t time) const {
    char text[40];  // the widest stamp: 17 digits, a point and 3 digits
    if (times_.precise != nullptr) {
      std::snprintf(text, sizeof text, "%10llu.%03u", static_cast<unsigned long long>(time / 1000),
                    static_cast<unsigned>(time % 1000));
    } else {
      std::snprintf(text, sizeof text, "%8u", static_cast<unsigned>(time));
    }
    return text;
  }

  void start_line(Direction direction, std::uint64_t at) {
    flush();
    direction_ = direction;
    line_start_ = at;
  }

  void flush(const char* note = "") {
    if (direction_ == Direction::kNone) {
      return;
    }
    std::string line = stamp(line_start_) + " ms  ";
    if (times_.precise != nullptr) {
      line = stamp(line_start_) + " ms .. " + stamp(line_end_) + " ms  ";
    }
    line += direction_ == Direction::kSent ? "->" : "<-";
    if (!pending_.empty()) {
      line += ' ' + hex_bytes(pending_);
    }
    out_ << line << note << '\n' << std::flush;
    pending_.clear();
    direction_ = Direction::kNone;
    in_frame_ = false;
    check_byte_next_ = false;
  }

  std::ostream& out_;
  TracingBackend::TimeSource times_;
  Direction direction_ = Direction::kNone;
  std::uint64_t line_start_ = 0;
  std::uint64_t line_end_ = 0;
  std::vector<std::uint8_t> pending_;
  bool in_frame_ = false;
  bool check_byte_next_ = false;
};

}  // namespace

TracingBackend::TracingBackend(SerialBackend& inner, std::ostream& out, Clock& clock)
    : inner_(inner), out_(out), times_{&clock, clock.now_ms(), nullptr} {}

TracingBackend::TracingBackend(SerialBackend& inner, std::ostream& out, MicrosecondClock& clock)
    : inner_(inner), out_(out), times_{nullptr, 0, &clock} {}

OpenedPort TracingBackend::open_exclusive(std::u16string_view port_name) {
  OpenedPort opened = inner_.open_exclusive(port_name);
  if (opened.port != nullptr) {
    opened.port = std::make_unique<TracingPort>(std::move(opened.port), out_, times_);
  }
  return opened;
}

}  // namespace quintrel
