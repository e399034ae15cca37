#include "tests/support/fake_link.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quintrel::test {

std::vector<std::uint8_t> FakeSerialPort::written_bytes() const {
  std::vector<std::uint8_t> all;
  for (const WriteCall& call : writes) {
    all.insert(all.end(), call.accepted.begin(), call.accepted.end());
  }
  return all;
}

std::vector<std::vector<std::uint8_t>> FakeSerialPort::written_pieces() const {
  std::vector<std::vector<std::uint8_t>> pieces;
  for (const WriteCall& call : writes) {
    if (!call.accepted.empty()) {
      pieces.push_back(call.accepted);
    }
  }
  return pieces;
}

void FakeSerialPort::purge() {
  ++purges;
  discard_input();
}

void FakeSerialPort::discard_input() {
  // Only what has already arrived is discarded; later bytes are still on their way.
  std::erase_if(incoming_, [this](const Arrival& a) { return has_arrived(a); });
}

WriteOutcome FakeSerialPort::write(std::span<const std::uint8_t> bytes) {
  WriteCall call{clock_.now, {bytes.begin(), bytes.end()}, {}};
  std::optional<std::size_t> limit = bytes.size();
  if (!write_script.empty()) {
    limit = write_script.front();
    write_script.pop_front();
  }
  if (!limit || gone()) {
    writes.push_back(call);
    return {false, 0};
  }
  const std::size_t count = std::min(*limit, bytes.size());
  call.accepted.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
  writes.push_back(call);
  if (on_write && count > 0) {
    on_write(writes.back().accepted);
  }
  return {true, count};
}

bool FakeSerialPort::read_byte(std::uint8_t& byte) {
  ++reads;
  if (!incoming_.empty() && has_arrived(incoming_.front())) {
    byte = incoming_.front().byte;
    incoming_.pop_front();
    return true;
  }
  clock_.now += 1;
  return false;
}

bool FakeSerialPort::has_arrived(const Arrival& arrival) const {
  // Compared in wrapping arithmetic, like the code under test.
  return static_cast<std::int32_t>(clock_.now - arrival.at) >= 0;
}

bool FakeSerialPort::read_line_settings() {
  calls.push_back("read_settings");
  return !fail_read_settings;
}

bool FakeSerialPort::write_line_settings() {
  calls.push_back("write_settings");
  return !fail_write_settings;
}

LinkTestEnvironment::LinkTestEnvironment() {
  clock.keep_sleeps = true;
}

FakeSerialPort& LinkTestEnvironment::open_fake_port() {
  auto device = std::make_unique<FakeSerialPort>(clock);
  FakeSerialPort& ref = *device;
  backend.next_port = std::move(device);
  const LinkOutcome opened = link.open(u"COM3");
  EXPECT_TRUE(opened.ok());
  return ref;
}

int LinkTestEnvironment::shown(const LinkOutcome& outcome) {
  last_status = outcome.status;
  if (const std::u16string text = outcome.message(); !text.empty()) {
    show_message(presenter, kKindError, owner, text, outcome.title());
  }
  return outcome.ok() ? 0 : -1;
}

int LinkTestEnvironment::shown_reply(const LinkOutcome& outcome) {
  return shown(outcome) == 0 ? static_cast<int>(outcome.payload_size) - 1 : -1;
}

std::vector<std::u16string> LinkTestEnvironment::message_texts() const {
  std::vector<std::u16string> texts;
  for (const ShownMessage& m : presenter.shown) {
    texts.push_back(m.text);
  }
  return texts;
}

}  // namespace quintrel::test
