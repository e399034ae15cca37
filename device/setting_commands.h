// The device's command set as the tool uses it: read, write and commit the bitrate and the CAN
// identifier, and silence the buzzer. Each operation runs its exchanges over the link it is given
// and returns how the last one ended; showing a failure is the caller's business. Nothing here
// knows a window.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "device/bitrate_code.h"
#include "link/link_outcome.h"
#include "link/serial_link.h"

namespace quintrel {

// Receives what read_settings reads, as soon as it has been read.
class SettingsReceiver {
 public:
  virtual ~SettingsReceiver() = default;
  virtual void apply_bitrate(BitrateCode code) = 0;
  virtual void apply_identifier(std::uint32_t identifier) = 0;
};

// Each operation's exchanges (a command frame out, its reply back) in the order it makes them,
// named as a user is told how far one got ("stopped in step 2 of 3 (writing the identifier)").
inline constexpr std::array<std::string_view, 1> kReadBitrateSteps = {"reading the bitrate"};
inline constexpr std::array<std::string_view, 2> kReadSettingsSteps = {"reading the bitrate",
                                                                       "reading the identifier"};
inline constexpr std::array<std::string_view, 3> kSaveSettingsSteps = {
    "writing the bitrate", "writing the identifier", "committing"};
inline constexpr std::array<std::string_view, 1> kBuzzerOffSteps = {"switching the buzzer off"};

// "ccebr": the bitrate the device is set to, in code when the exchange succeeded.
LinkOutcome read_bitrate(SerialLink& link, BitrateCode& code);

// Asks for the bitrate ("ccebr") and hands it over before it asks for the identifier ("ccidr").
// A failed exchange ends it; what was applied stays. An identifier reply without hex digits
// (kIdentifierNotHex, the reply's start in reason) or above 0x7FF (kIdentifierOutOfRange, the
// value seen in reason) is a device fault and is not handed over.
LinkOutcome read_settings(SerialLink& link, SettingsReceiver& receiver);

// Each write, commit and buzzer-off fails with kDeviceRefused when its reply's first token is
// "NG"; any other reply is its acknowledgement.

// "cceb " and the digit of the selected list index (-1: nothing selected, written as '0').
LinkOutcome write_bitrate(SerialLink& link, int index);

// "ccid " and the identifier field's text as it stands.
LinkOutcome write_identifier(SerialLink& link, std::u16string_view text);

// "ppw3916": the device keeps the written values.
LinkOutcome commit_settings(SerialLink& link);

// The bitrate, then the identifier, then the commit, each only after the one before it was
// answered.
LinkOutcome save_settings(SerialLink& link, int index, std::u16string_view text);

// "bzoff".
LinkOutcome buzzer_off(SerialLink& link);

}  // namespace quintrel
