#include "link/tracing_device.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "link/command_frame.h"

namespace quintrel {

namespace {

class TracingDevice final : public SerialDevice {
 public:
  TracingDevice(std::unique_ptr<SerialDevice> inner, std::ostream& out, Clock& clock,
                std::uint32_t start_ms)
      : inner_(std::move(inner)), out_(out), clock_(clock), start_ms_(start_ms) {}
  ~TracingDevice() override { flush(); }
  TracingDevice(const TracingDevice&) = delete;
  TracingDevice& operator=(const TracingDevice&) = delete;

  void purge() override {
    flush();
    inner_->purge();
  }

  WriteOutcome write(std::span<const std::uint8_t> bytes) override {
    const WriteOutcome outcome = inner_->write(bytes);
    if (direction_ != Direction::kSent) {
      start_line(Direction::kSent);
    }
    const std::size_t accepted = outcome.ok ? std::min(outcome.written, bytes.size()) : 0;
    pending_.insert(pending_.end(), bytes.begin(),
                    bytes.begin() + static_cast<std::ptrdiff_t>(accepted));
    if (!outcome.ok) {
      flush(" (write failed)");
    }
    return outcome;
  }

  bool read_byte(std::uint8_t& byte) override {
    if (direction_ == Direction::kSent) {
      flush();  // the host has stopped writing: the frame is out
    }
    if (!inner_->read_byte(byte)) {
      return false;
    }
    if (direction_ != Direction::kReceived) {
      start_line(Direction::kReceived);
    }
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

  bool read_line_settings() override { return inner_->read_line_settings(); }
  bool write_line_settings() override { return inner_->write_line_settings(); }
  void set_short_timeouts() override { inner_->set_short_timeouts(); }
  void raise_dtr() override { inner_->raise_dtr(); }
  void raise_rts() override { inner_->raise_rts(); }

 private:
  enum class Direction { kNone, kSent, kReceived };

  void start_line(Direction direction) {
    flush();
    direction_ = direction;
    line_start_ms_ = clock_.now_ms() - start_ms_;
  }

  void flush(const char* note = "") {
    if (direction_ == Direction::kNone) {
      return;
    }
    std::string line;
    char piece[32];
    std::snprintf(piece, sizeof piece, "%8u ms  %s", static_cast<unsigned>(line_start_ms_),
                  direction_ == Direction::kSent ? "->" : "<-");
    line += piece;
    for (const std::uint8_t byte : pending_) {
      std::snprintf(piece, sizeof piece, " %02X", byte);
      line += piece;
    }
    out_ << line << note << '\n' << std::flush;
    pending_.clear();
    direction_ = Direction::kNone;
    in_frame_ = false;
    check_byte_next_ = false;
  }

  std::unique_ptr<SerialDevice> inner_;
  std::ostream& out_;
  Clock& clock_;
  std::uint32_t start_ms_;
  Direction direction_ = Direction::kNone;
  std::uint32_t line_start_ms_ = 0;
  std::vector<std::uint8_t> pending_;
  bool in_frame_ = false;
  bool check_byte_next_ = false;
};

}  // namespace

TracingBackend::TracingBackend(SerialBackend& inner, std::ostream& out, Clock& clock)
    : inner_(inner), out_(out), clock_(clock), start_ms_(clock.now_ms()) {}

std::unique_ptr<SerialDevice> TracingBackend::open_exclusive(std::u16string_view port_name) {
  std::unique_ptr<SerialDevice> device = inner_.open_exclusive(port_name);
  if (device == nullptr) {
    return nullptr;
  }
  return std::make_unique<TracingDevice>(std::move(device), out_, clock_, start_ms_);
}

}  // namespace quintrel
