// Test doubles for the link's seams: a scripted serial device on the virtual clock (handed out by
// support/fake_backend.h's FakeBackend), and a presenter that records every message instead of
// showing it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/link_outcome.h"
#include "link/serial_link.h"
#include "link/serial_port.h"
#include "support/fake_backend.h"
#include "support/virtual_clock.h"
#include "ui/main_dialog.h"
#include "ui/show_message.h"

namespace quintrel::test {

// One write call as the port saw it.
struct WriteCall {
  std::uint32_t at = 0;
  std::vector<std::uint8_t> asked;
  std::vector<std::uint8_t> accepted;
};

class FakeSerialPort final : public SerialPort {
 public:
  explicit FakeSerialPort(VirtualClock& clock) : clock_(clock) {}

  // A byte that becomes readable at the given virtual time.
  void arrive_at(std::uint32_t at, std::uint8_t byte) { incoming_.push_back({at, byte}); }
  void arrive_at(std::uint32_t at, const std::vector<std::uint8_t>& bytes) {
    for (const std::uint8_t byte : bytes) {
      arrive_at(at, byte);
    }
  }

  // How the next write calls behave, one entry per call: nullopt fails the call, a number
  // accepts at most that many bytes. Once the script is used up every write succeeds whole.
  std::deque<std::optional<std::size_t>> write_script;
  // Called with the accepted bytes of every write (an in-process device answers through it).
  std::function<void(const std::vector<std::uint8_t>&)> on_write;

  std::optional<std::uint32_t> gone_at;  // from then on the port is gone and writes fail
  bool fail_read_settings = false;
  bool fail_write_settings = false;
  bool fail_timeouts = false;

  // The configuration calls in the order they came ("read_settings", "raise_dtr", ...).
  std::vector<std::string> calls;
  std::vector<WriteCall> writes;
  int purges = 0;
  int reads = 0;

  // Every byte the port accepted, in order.
  std::vector<std::uint8_t> written_bytes() const;
  // The accepted bytes of each write that accepted any.
  std::vector<std::vector<std::uint8_t>> written_pieces() const;

  void purge() override;
  void discard_input() override;
  WriteOutcome write(std::span<const std::uint8_t> bytes) override;
  // A byte that has arrived is returned at once; otherwise the read waits 1 virtual ms.
  bool read_byte(std::uint8_t& byte) override;
  bool gone() const override { return gone_at && has_arrived({*gone_at, 0}); }
  bool read_line_settings() override;
  bool write_line_settings() override;
  bool set_short_timeouts() override {
    calls.push_back("set_short_timeouts");
    return !fail_timeouts;
  }
  void raise_dtr() override { calls.push_back("raise_dtr"); }
  void raise_rts() override { calls.push_back("raise_rts"); }

 private:
  struct Arrival {
    std::uint32_t at;
    std::uint8_t byte;
  };

  bool has_arrived(const Arrival& arrival) const;

  VirtualClock& clock_;
  std::deque<Arrival> incoming_;
};

struct ShownMessage {
  std::int32_t icon_code;
  std::u16string text;
  std::u16string title;
  OwnerWindow owner;
};

class RecordingPresenter final : public MessagePresenter {
 public:
  int present(OwnerWindow owner, const MessageRequest& request) override {
    shown.push_back({request.icon_code, request.text, request.title, owner});
    if (answers.empty()) {
      return kMessageOk;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::vector<ShownMessage> shown;
  std::deque<int> answers;  // results to give, in order; OK once they run out
};

// One test's link on the virtual clock and a fake backend, and a recording presenter that shows
// outcomes as a window does.
class LinkTestEnvironment {
 public:
  LinkTestEnvironment();
  LinkTestEnvironment(const LinkTestEnvironment&) = delete;
  LinkTestEnvironment& operator=(const LinkTestEnvironment&) = delete;

  // Opens the link on a fresh fake device, as a window opens its port.
  FakeSerialPort& open_fake_port();
  // The texts of the messages shown so far.
  std::vector<std::u16string> message_texts() const;

  // As a window does with an operation's outcome: a failure's message is shown with owner, and
  // the result is 0 on success, -1 on failure.
  int shown(const LinkOutcome& outcome);
  // The same for receive_reply, whose result is the payload's length minus one.
  int shown_reply(const LinkOutcome& outcome);

  // The services a main dialog gets in these tests (no port scanner).
  DialogServices dialog_services() { return {backend, nullptr, clock, presenter}; }

  VirtualClock clock;
  FakeBackend backend;
  RecordingPresenter presenter;
  OwnerWindow owner = reinterpret_cast<OwnerWindow>(0x1234);
  SerialLink link{backend, clock};
  LinkStatus last_status = LinkStatus::kOk;  // how the last outcome given to shown() ended
};

}  // namespace quintrel::test
