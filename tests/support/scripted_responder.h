// Answers the frames written to a FakeSerialDevice: each complete frame's payload goes to a
// script that returns the raw bytes to send back (nothing for a silent device). The reply
// arrives one virtual millisecond after the frame's last byte.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/command_frame.h"
#include "tests/support/fake_link.h"

namespace quintrel::test {

using ReplyScript =
    std::function<std::optional<std::vector<std::uint8_t>>(const std::string& command)>;

inline std::vector<std::uint8_t> reply_frame(const std::string& payload) {
  return build_frame(
      std::span(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size()));
}

class ScriptedResponder {
 public:
  ScriptedResponder(FakeSerialDevice& device, VirtualClock& clock, ReplyScript script)
      : clock_(clock), script_(std::move(script)) {
    device.on_write = [this, &device](const std::vector<std::uint8_t>& bytes) {
      for (const std::uint8_t byte : bytes) {
        take(device, byte);
      }
    };
  }

  // Every command received whole, in order.
  std::vector<std::string> commands;

 private:
  void take(FakeSerialDevice& device, std::uint8_t byte) {
    if (!in_frame_) {
      in_frame_ = byte == kStx;
      body_.clear();
      after_etx_ = false;
      return;
    }
    if (after_etx_) {
      in_frame_ = false;
      commands.push_back(body_);
      if (auto reply = script_(body_)) {
        device.arrive_at(clock_.now + 1, *reply);
      }
      return;
    }
    if (byte == kEtx) {
      after_etx_ = true;
    } else {
      body_.push_back(static_cast<char>(byte));
    }
  }

  VirtualClock& clock_;
  ReplyScript script_;
  bool in_frame_ = false;
  bool after_etx_ = false;
  std::string body_;
};

}  // namespace quintrel::test
