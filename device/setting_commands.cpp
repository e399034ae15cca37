#include "device/setting_commands.h"

#include <span>

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
  // An 11-bit identifier cannot be larger; a device that says so is faulty, and the value must
  // not reach the field, from which Save would write it back.
  const std::uint32_t identifier = parse_hex_token(reply);
  if (identifier > kIdentifierMaximum) {
    outcome = link_outcome(LinkStatus::kIdentifierOutOfRange);
    outcome.reason = first_token(reply);
    return outcome;
  }
  receiver.apply_identifier(identifier);
  return outcome;
}

LinkOutcome write_bitrate(SerialLink& link, int index) {
  PayloadBuffer payload{};
  std::size_t length = append_word(payload, 0, u"cceb");
  payload[length++] = bitrate_digit(index);
  ReplyBuffer reply{};
  return exchange(link, std::span(payload).first(length), reply);
}

LinkOutcome write_identifier(SerialLink& link, std::u16string_view text) {
  PayloadBuffer payload{};
  const std::size_t after_command = append_word(payload, 0, u"ccid");
  // Step back over the space that follows the text.
  const std::size_t length = append_word(payload, after_command, text) - 1;
  ReplyBuffer reply{};
  return exchange(link, std::span(payload).first(length), reply);
}

LinkOutcome commit_settings(SerialLink& link) {
  ReplyBuffer reply{};
  return exchange_word(link, u"ppw3916", reply);
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
  return exchange_word(link, u"bzoff", reply);
}

}  // namespace quintrel
