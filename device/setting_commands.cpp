#include "device/setting_commands.h"

#include <span>

#include "device/payload.h"
#include "device/token_parser.h"
#include "link/frame_exchange.h"

namespace quintrel {

namespace {

// One command and its reply; the reply's content is the caller's business.
int exchange(OwnerWindow owner, std::span<const std::uint8_t> payload, ReplyBuffer& reply) {
  if (send_command(owner, payload) == -1) {
    return -1;
  }
  return receive_reply(owner, reply) == -1 ? -1 : 0;
}

int exchange_word(OwnerWindow owner, std::u16string_view word, ReplyBuffer& reply) {
  PayloadBuffer payload{};
  // The word's own space is not part of the command.
  const std::size_t length = append_word(payload, 0, word) - 1;
  return exchange(owner, std::span(payload).first(length), reply);
}

}  // namespace

void read_settings(OwnerWindow owner, SettingsReceiver& receiver) {
  ReplyBuffer reply{};
  if (exchange_word(owner, u"ccebr", reply) == -1) {
    return;
  }
  receiver.apply_bitrate(bitrate_code_from_value(parse_decimal_token(reply)));
  if (exchange_word(owner, u"ccidr", reply) == -1) {
    return;
  }
  receiver.apply_identifier(parse_hex_token(reply));
}

int write_bitrate(OwnerWindow owner, int index) {
  PayloadBuffer payload{};
  std::size_t length = append_word(payload, 0, u"cceb");
  payload[length++] = bitrate_digit(index);
  ReplyBuffer reply{};
  return exchange(owner, std::span(payload).first(length), reply);
}

int write_identifier(OwnerWindow owner, std::u16string_view text) {
  PayloadBuffer payload{};
  const std::size_t after_command = append_word(payload, 0, u"ccid");
  // Step back over the space that follows the text.
  const std::size_t length = append_word(payload, after_command, text) - 1;
  ReplyBuffer reply{};
  return exchange(owner, std::span(payload).first(length), reply);
}

int commit_settings(OwnerWindow owner) {
  ReplyBuffer reply{};
  return exchange_word(owner, u"ppw3916", reply);
}

int save_settings(OwnerWindow owner, int index, std::u16string_view text) {
  if (write_bitrate(owner, index) == -1 || write_identifier(owner, text) == -1 ||
      commit_settings(owner) == -1) {
    return -1;
  }
  return 0;
}

int buzzer_off(OwnerWindow owner) {
  ReplyBuffer reply{};
  return exchange_word(owner, u"bzoff", reply);
}

}  // namespace quintrel
