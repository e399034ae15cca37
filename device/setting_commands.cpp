#include "device/setting_commands.h"

#include <algorithm>
#include <span>
#include <string>
#include <utility>

#include "device/can_identifier.h"
#include "device/payload.h"
#include "device/token_parser.h"
#include "link/frame_exchange.h"

namespace quintrel {

namespace {

// One command and its reply; the reply's content is the caller's business.
LinkOutcome exchange(SerialLink& link, std::span<const std::uint8_t> payload, ReplyBuffer& reply) {
  LinkOutcome sent = send_command(link, payload);
  if (!sent.ok()) {
    return sent;
  }
  return receive_reply(link, reply);
}

LinkOutcome exchange_word(SerialLink& link, std::u16string_view word, ReplyBuffer& reply) {
  PayloadBuffer payload{};
  // The word's own space is not part of the command.
  const std::size_t length = append_word(payload, 0, word) - 1;
  return exchange(link, std::span(payload).first(length), reply);
}

// A write, commit or buzzer-off that the device will not carry out is answered "NG"; any other
// reply acknowledges it.
LinkOutcome acknowledged(LinkOutcome outcome, const ReplyBuffer& reply) {
  if (outcome.ok() && first_token(reply) == "NG") {
    return link_outcome(LinkStatus::kDeviceRefused);
  }
  return outcome;
}

// A reply whose identifier is missing or out of range; reason holds what the device sent.
LinkOutcome identifier_fault(LinkStatus status, std::string reason) {
  LinkOutcome outcome = link_outcome(status);
  outcome.reason = std::move(reason);
  return outcome;
}

// The reply's first bytes as they came (up to a token's length), for a reply whose first token
// may be empty (a NUL or a space first).
std::string reply_start(const ReplyBuffer& reply, std::size_t payload_size) {
  const std::size_t shown = std::min(payload_size, kTokenBufferSize - 1);
  return std::string(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(shown));
}

}  // namespace

LinkOutcome read_bitrate(SerialLink& link, BitrateCode& code) {
  ReplyBuffer reply{};
  LinkOutcome outcome = exchange_word(link, u"ccebr", reply);
  if (outcome.ok()) {
    code = bitrate_code_from_value(parse_decimal_token(reply));
  }
  return outcome;
}

LinkOutcome read_settings(SerialLink& link, SettingsReceiver& receiver) {
  BitrateCode code = kBitrateInvalid;
  LinkOutcome outcome = read_bitrate(link, code);
  if (!outcome.ok()) {
    return outcome;
  }
  receiver.apply_bitrate(code);
  ReplyBuffer reply{};
  outcome = exchange_word(link, u"ccidr", reply);
  if (!outcome.ok()) {
    return outcome;
  }
  // A reply without a number, or with one an 11-bit identifier cannot reach, comes from a faulty
  // device, and the value must not reach the field, from which Save would write it back.
  if (!hex_token_has_digits(reply)) {
    return identifier_fault(LinkStatus::kIdentifierNotHex,
                            reply_start(reply, outcome.payload_size));
  }
  const std::uint32_t identifier = parse_hex_token(reply);
  if (identifier > kIdentifierMaximum) {
    return identifier_fault(LinkStatus::kIdentifierOutOfRange, first_token(reply));
  }
  receiver.apply_identifier(identifier);
  return outcome;
}

LinkOutcome write_bitrate(SerialLink& link, int index) {
  PayloadBuffer payload{};
  std::size_t length = append_word(payload, 0, u"cceb");
  payload[length++] = bitrate_digit(index);
  ReplyBuffer reply{};
  return acknowledged(exchange(link, std::span(payload).first(length), reply), reply);
}

LinkOutcome write_identifier(SerialLink& link, std::u16string_view text) {
  PayloadBuffer payload{};
  const std::size_t after_command = append_word(payload, 0, u"ccid");
  // Step back over the space that follows the text.
  const std::size_t length = append_word(payload, after_command, text) - 1;
  ReplyBuffer reply{};
  return acknowledged(exchange(link, std::span(payload).first(length), reply), reply);
}

LinkOutcome commit_settings(SerialLink& link) {
  ReplyBuffer reply{};
  return acknowledged(exchange_word(link, u"ppw3916", reply), reply);
}

LinkOutcome save_settings(SerialLink& link, int index, std::u16string_view text) {
  LinkOutcome outcome = write_bitrate(link, index);
  if (outcome.ok()) {
    outcome = write_identifier(link, text);
  }
  if (outcome.ok()) {
    outcome = commit_settings(link);
  }
  return outcome;
}

LinkOutcome buzzer_off(SerialLink& link) {
  ReplyBuffer reply{};
  return acknowledged(exchange_word(link, u"bzoff", reply), reply);
}

}  // namespace quintrel
