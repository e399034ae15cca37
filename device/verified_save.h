// Save, then read both values back and compare: what a production line needs to know a device
// holds what was written. The differences are said in words, one per value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/bitrate_code.h"
#include "link/link_outcome.h"
#include "link/serial_link.h"

namespace quintrel {

struct VerifiedSave {
  LinkOutcome outcome;  // how the last exchange ended; ok when both values were read back
  std::optional<BitrateCode> held_bitrate;
  std::optional<std::uint32_t> held_identifier;
  std::vector<std::string> differences;  // empty when the device holds what was written

  bool verified() const { return outcome.ok() && differences.empty(); }
};

// save_and_verify's exchanges in order, as kSaveSettingsSteps names them: the save's, then its
// reads of both values ("reading the bitrate back", ...).
std::vector<std::string> save_and_verify_steps();

// save_settings, then read_settings when the save was answered. identifier is the field's
// hexadecimal text, as save_settings sends it.
VerifiedSave save_and_verify(SerialLink& link, BitrateCode bitrate, std::u16string_view identifier);

}  // namespace quintrel
