#include "sim/device_model.h"

#include "base/ascii_text.h"
#include "device/token_parser.h"

namespace quintrel::sim {

namespace {

// The device takes standard CAN identifiers only: 11 bits.
constexpr std::uint32_t kLargestIdentifier = 0x7FF;

bool is_hex_digits(const std::string& text) {
  if (text.empty()) {
    return false;
  }
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string identifier_text(std::uint32_t identifier) {
  return hex_text(identifier);
}

std::optional<std::vector<std::uint8_t>> DeviceModel::feed(std::uint8_t byte) {
  const std::optional<std::string> command = take(byte);
  if (!command) {
    return std::nullopt;
  }
  return build_text_frame(answer(*command));
}

std::optional<std::string> DeviceModel::take(std::uint8_t byte) {
  std::optional<std::string> command = reader_.take(byte);
  if (command) {
    commands_.push_back(*command);
  }
  return command;
}

std::string DeviceModel::answer(const std::string& command) {
  if (command == "ccebr") {
    return std::to_string(live_.bitrate_code);
  }
  if (command == kIdentifierRead) {
    return identifier_text(live_.identifier);
  }
  if (command.rfind("cceb ", 0) == 0) {
    const std::string digit = command.substr(5);
    if (digit.size() != 1 || digit[0] < '0' || digit[0] > '4') {
      return kRefused;
    }
    live_.bitrate_code = digit[0] - '0';
    return kAccepted;
  }
  if (command.rfind("ccid ", 0) == 0) {
    const std::string digits = command.substr(5);
    if (!is_hex_digits(digits) || digits.size() > 8) {
      return kRefused;
    }
    const std::uint32_t identifier = text_to_u32(digits, 16);
    if (identifier > kLargestIdentifier) {
      return kRefused;
    }
    live_.identifier = identifier;
    return kAccepted;
  }
  if (command == kCommitCommand) {
    if (store_ && !store_(live_)) {
      return kRefused;
    }
    committed_ = live_;
    return kAccepted;
  }
  if (command == "bzoff") {
    return kAccepted;  // the buzzer has no part in any reply
  }
  return kRefused;
}

}  // namespace quintrel::sim
