// Runs one setting operation against a device whose replies come from the input, with an
// identifier text of any length and any UTF-16 units, and checks what went out on the line and
// what reached the window against a model of the command set.
//
// Input: byte 0 picks the operation (read_settings, save_settings, write_identifier,
// buzzer_off); save_settings takes a list index (one signed byte); save_settings and
// write_identifier take a text: a length byte n and n UTF-16 units (little-endian). Then one
// reply per exchange: a kind byte (0 good frame, 1 wrong check byte, 2 no reply, 3 noise then a
// good frame), a length byte m and m payload bytes (0x03 would end the body, so it is sent as
// 0x04). A reply missing from the input is no reply; "NG" refuses a write, commit or buzzer-off.
//
// Invariants: every frame is STX, payload, ETX and its check byte, in three writes, after a
// purge, with the input dropped just before the last; the payloads are exactly the commands of the
// operation, in order, stopping at the first failed exchange; the identifier payload is "ccid ",
// then the low bytes of the text up to its first zero, all of them when they fit the 200-byte
// payload buffer and otherwise as many as fit; the values handed to the window are those of the
// replies' first tokens; results and the number of messages shown follow the replies.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/bitrate_code.h"
#include "device/can_identifier.h"
#include "device/payload.h"
#include "device/setting_commands.h"
#include "device/token_parser.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_link.h"
#include "link/command_frame.h"
#include "link/frame_exchange.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kIdleReadMs = 250;
constexpr int kMaxIdleReads = 15;  // a silent reply ends after 5 idle reads
constexpr std::size_t kIdentifierTextRoom = quintrel::kPayloadBufferSize - 1 - 5;

enum class ReplyKind : std::uint8_t { kGood, kWrongCheck, kSilent, kNoiseThenGood };

struct Reply {
  ReplyKind kind = ReplyKind::kSilent;
  Bytes payload;

  // acknowledging: the reply to a write, commit or buzzer-off, which "NG" refuses.
  bool succeeds(bool acknowledging) const {
    return (kind == ReplyKind::kGood || kind == ReplyKind::kNoiseThenGood) && !payload.empty() &&
           payload.size() < quintrel::kReplyBufferSize && !(acknowledging && refuses());
  }
  // Whether a failure shows a message: all but an empty payload in a good frame.
  bool shows_message(bool acknowledging) const {
    return !succeeds(acknowledging) &&
           !(kind != ReplyKind::kWrongCheck && kind != ReplyKind::kSilent && payload.empty());
  }
  // The first token: after leading spaces, up to a space or NUL.
  std::string_view first_token() const {
    const std::string_view text(reinterpret_cast<const char*>(payload.data()), payload.size());
    const std::string_view rest = text.substr(std::min(text.find_first_not_of(' '), text.size()));
    return rest.substr(0, rest.find_first_of(std::string_view(" \0", 2)));
  }
  bool refuses() const { return first_token() == "NG"; }
  // The first token's first 11 bytes hold a hex digit, after white space and an optional "0x".
  bool has_hex_digits() const {
    std::string_view token = first_token().substr(0, quintrel::kTokenBufferSize - 1);
    token.remove_prefix(std::min(token.find_first_not_of(" \t\n\v\f\r"), token.size()));
    if (token.size() > 1 && token[0] == '0' && (token[1] | 0x20) == 'x') {
      token.remove_prefix(2);
    }
    return !token.empty() && std::isxdigit(static_cast<unsigned char>(token[0])) != 0;
  }
  // The payload as the receiver leaves it: NUL-terminated.
  Bytes terminated() const {
    Bytes bytes = payload;
    bytes.push_back(0);
    return bytes;
  }
};

// The device: it answers each complete frame with the next reply of the input.
class ConversationPort final : public quintrel::SerialPort {
 public:
  explicit ConversationPort(quintrel::test::VirtualClock& clock) : clock_(clock) {}

  void start(std::vector<Reply> replies) {
    replies_ = std::move(replies);
    next_reply_ = 0;
    frames.clear();
    pieces_ = 0;
    purged_ = false;
    pending_.clear();
    next_pending_ = 0;
    idle_reads_ = 0;
  }

  void purge() override {
    pending_.clear();
    next_pending_ = 0;
    purged_ = true;
  }

  void discard_input() override {
    FUZZ_CHECK(pieces_ == 2);  // only just before the frame's last piece
    pending_.clear();
    next_pending_ = 0;
  }

  quintrel::WriteOutcome write(std::span<const std::uint8_t> bytes) override {
    FUZZ_CHECK(!bytes.empty());
    if (pieces_ == 0) {
      FUZZ_CHECK(purged_);  // every frame starts with a purge
      frames.emplace_back();
    }
    frames.back().insert(frames.back().end(), bytes.begin(), bytes.end());
    if (++pieces_ == 3) {
      pieces_ = 0;
      purged_ = false;
      answer();
    }
    return {true, bytes.size()};
  }

  bool read_byte(std::uint8_t& byte) override {
    if (next_pending_ == pending_.size()) {
      FUZZ_CHECK(++idle_reads_ <= kMaxIdleReads);
      clock_.now += kIdleReadMs;
      return false;
    }
    byte = pending_[next_pending_++];
    return true;
  }

  bool read_line_settings() override { return true; }
  bool write_line_settings() override { return true; }
  bool set_short_timeouts() override { return true; }
  void raise_dtr() override {}
  void raise_rts() override {}

  std::vector<Bytes> frames;  // every frame written, whole

 private:
  void answer() {
    idle_reads_ = 0;
    if (next_reply_ >= replies_.size()) {
      return;
    }
    const Reply& reply = replies_[next_reply_++];
    if (reply.kind == ReplyKind::kSilent) {
      return;
    }
    if (reply.kind == ReplyKind::kNoiseThenGood) {
      pending_ = {0x41, quintrel::kEtx, 0x00};
    }
    const Bytes frame = quintrel::build_frame(reply.payload);
    pending_.insert(pending_.end(), frame.begin(), frame.end());
    if (reply.kind == ReplyKind::kWrongCheck) {
      pending_.back() ^= 0x01;
    }
  }

  quintrel::test::VirtualClock& clock_;
  std::vector<Reply> replies_;
  std::size_t next_reply_ = 0;
  int pieces_ = 0;
  bool purged_ = false;
  Bytes pending_;  // the reply bytes on their way, read from next_pending_ on
  std::size_t next_pending_ = 0;
  int idle_reads_ = 0;
};

class RecordingReceiver final : public quintrel::SettingsReceiver {
 public:
  void apply_bitrate(quintrel::BitrateCode code) override { bitrate = code; }
  void apply_identifier(std::uint32_t value) override { identifier = value; }
  std::optional<quintrel::BitrateCode> bitrate;
  std::optional<std::uint32_t> identifier;
};

using Harness = FuzzLink<ConversationPort>;

Bytes ascii(const char* text) {
  return Bytes(text, text + std::char_traits<char>::length(text));
}

// "ccid ", then the text's low bytes up to the first zero, cut to what the buffer holds.
Bytes identifier_payload(const std::u16string& text) {
  Bytes payload = ascii("ccid ");
  for (const char16_t unit : text) {
    const auto low = static_cast<std::uint8_t>(unit & 0xFF);
    if (low == 0 || payload.size() == 5 + kIdentifierTextRoom) {
      break;
    }
    payload.push_back(low);
  }
  return payload;
}

// Plays the commands in order against the replies; the operation stops at the first failure.
// Returns the index of the reply that failed, or commands.size() when all succeeded.
std::size_t expected_exchanges(const std::vector<Reply>& replies, std::size_t commands,
                               bool acknowledging) {
  std::size_t done = 0;
  while (done < commands && replies[done].succeeds(acknowledging)) {
    ++done;
  }
  return done;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Harness harness;
  FuzzInput input(std::span<const std::uint8_t>(data, size));

  const int operation = input.byte() % 4;
  int index = 0;
  std::u16string text;
  if (operation == 1) {
    index = static_cast<std::int8_t>(input.byte());
  }
  if (operation == 1 || operation == 2) {
    const int units = input.byte();
    for (int i = 0; i < units; ++i) {
      text.push_back(input.unit());
    }
  }
  std::vector<Reply> replies(3);  // no operation has more than three exchanges
  for (Reply& reply : replies) {
    if (input.empty()) {
      break;
    }
    reply.kind = static_cast<ReplyKind>(input.byte() % 4);
    const int length = input.byte();
    for (int i = 0; i < length; ++i) {
      const std::uint8_t byte = input.byte();
      reply.payload.push_back(byte == quintrel::kEtx ? 0x04 : byte);
    }
  }

  std::vector<Bytes> commands;
  RecordingReceiver receiver;
  int result = 0;
  harness.clock.now = 0;
  harness.presenter.shown = 0;
  harness.port->start(replies);
  switch (operation) {
    case 0:
      commands = {ascii("ccebr"), ascii("ccidr")};
      result = harness.presenter.show(quintrel::read_settings(harness.link, receiver)) ? 0 : -1;
      break;
    case 1:
      commands = {ascii("cceb "), identifier_payload(text), ascii("ppw3916")};
      commands[0].push_back(quintrel::bitrate_digit(index));
      result = harness.presenter.show(quintrel::save_settings(harness.link, index, text)) ? 0 : -1;
      break;
    case 2:
      commands = {identifier_payload(text)};
      result = harness.presenter.show(quintrel::write_identifier(harness.link, text)) ? 0 : -1;
      break;
    default:
      commands = {ascii("bzoff")};
      result = harness.presenter.show(quintrel::buzzer_off(harness.link)) ? 0 : -1;
      break;
  }

  const bool acknowledging = operation != 0;  // every command but the reads
  const std::size_t succeeded = expected_exchanges(replies, commands.size(), acknowledging);
  const bool all_succeeded = succeeded == commands.size();
  const std::size_t sent = all_succeeded ? commands.size() : succeeded + 1;
  const std::vector<Bytes>& frames = harness.port->frames;
  FUZZ_CHECK(frames.size() == sent);
  for (std::size_t i = 0; i < sent; ++i) {
    FUZZ_CHECK(commands[i].size() < quintrel::kPayloadBufferSize);
    FUZZ_CHECK(frames[i] == quintrel::build_frame(commands[i]));
  }
  // An identifier reply without hex digits or above 0x7FF fails the read with a message of its
  // own.
  const bool identifier_faulty =
      operation == 0 && all_succeeded &&
      (!replies[1].has_hex_digits() ||
       quintrel::parse_hex_token(replies[1].terminated()) > quintrel::kIdentifierMaximum);
  FUZZ_CHECK(
      harness.presenter.shown ==
      ((!all_succeeded && replies[succeeded].shows_message(acknowledging)) || identifier_faulty));

  if (operation == 0) {
    FUZZ_CHECK(receiver.bitrate.has_value() == (succeeded >= 1));
    if (succeeded >= 1) {
      const std::uint32_t value = quintrel::parse_decimal_token(replies[0].terminated());
      FUZZ_CHECK(*receiver.bitrate == quintrel::bitrate_code_from_value(value));
      FUZZ_CHECK(*receiver.bitrate >= 0 && *receiver.bitrate <= quintrel::kBitrateHighest);
    }
    FUZZ_CHECK(receiver.identifier.has_value() == (all_succeeded && !identifier_faulty));
    if (receiver.identifier) {
      FUZZ_CHECK(*receiver.identifier == quintrel::parse_hex_token(replies[1].terminated()));
    }
  } else {
    FUZZ_CHECK(result == (all_succeeded ? 0 : -1));
  }
  return 0;
}
