// Answers the frames written to a FakeSerialPort as the device would read them: each complete
// frame's payload goes to a script that returns the raw bytes to send back (nothing for a silent
// device). The reply arrives one virtual millisecond after the frame's last byte.
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
  return build_text_frame(payload);
}

class ScriptedResponder {
 public:
  ScriptedResponder(FakeSerialPort& device, VirtualClock& clock, ReplyScript script)
      : clock_(clock), script_(std::move(script)) {
    device.on_write = [this, &device](const std::vector<std::uint8_t>& bytes) {
      for (const std::uint8_t byte : bytes) {
        if (std::optional<std::string> command = reader_.take(byte)) {
          commands.push_back(*command);
          if (auto reply = script_(*command)) {
            device.arrive_at(clock_.now + 1, *reply);
          }
        }
      }
    };
  }

  // Every command received whole, in order.
  std::vector<std::string> commands;

 private:
  VirtualClock& clock_;
  ReplyScript script_;
  FrameReader reader_;
};

}  // namespace quintrel::test
