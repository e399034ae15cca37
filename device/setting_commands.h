// The device's command set as the tool uses it: read, write and commit the bitrate and the CAN
// identifier, and silence the buzzer. Every failure has been shown by the frame exchange before
// an operation returns -1 (or read_settings stops); serial_link().last_status then says why, since
// every operation ends with its last exchange. Nothing here knows a window.
#pragma once

#include <cstdint>
#include <string_view>

#include "device/bitrate_code.h"
#include "ui/message.h"

namespace quintrel {

// Receives what read_settings reads, as soon as it has been read.
class SettingsReceiver {
 public:
  virtual ~SettingsReceiver() = default;
  virtual void apply_bitrate(BitrateCode code) = 0;
  virtual void apply_identifier(std::uint32_t identifier) = 0;
};

// Asks for the bitrate ("ccebr") and hands it over before it asks for the identifier ("ccidr").
// A failed exchange ends it; what was applied stays.
void read_settings(OwnerWindow owner, SettingsReceiver& receiver);

// "cceb " and the digit of the selected list index (-1: nothing selected, written as '0').
int write_bitrate(OwnerWindow owner, int index);

// "ccid " and the identifier field's text as it stands.
int write_identifier(OwnerWindow owner, std::u16string_view text);

// "ppw3916": the device keeps the written values.
int commit_settings(OwnerWindow owner);

// The bitrate, then the identifier, then the commit, each only after the one before it was
// answered.
int save_settings(OwnerWindow owner, int index, std::u16string_view text);

// "bzoff".
int buzzer_off(OwnerWindow owner);

}  // namespace quintrel
