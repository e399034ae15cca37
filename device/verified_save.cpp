#include "device/verified_save.h"

#include "base/ascii_text.h"
#include "base/utf8_text.h"
#include "device/setting_commands.h"
#include "device/token_parser.h"

namespace quintrel {

namespace {

class HeldValues final : public SettingsReceiver {
 public:
  explicit HeldValues(VerifiedSave& save) : save_(save) {}
  void apply_bitrate(BitrateCode code) override { save_.held_bitrate = code; }
  void apply_identifier(std::uint32_t identifier) override { save_.held_identifier = identifier; }

 private:
  VerifiedSave& save_;
};

std::string bitrate_name(BitrateCode code) {
  return utf8_from_utf16(kBitrateNames[static_cast<std::size_t>(
      bitrate_code_from_value(static_cast<std::uint32_t>(code)))]);
}

}  // namespace

std::vector<std::string> save_and_verify_steps() {
  std::vector<std::string> steps(kSaveSettingsSteps.begin(), kSaveSettingsSteps.end());
  for (const std::string_view read : kReadSettingsSteps) {
    steps.push_back(std::string(read) + " back");
  }
  return steps;
}

VerifiedSave save_and_verify(SerialLink& link, BitrateCode bitrate,
                             std::u16string_view identifier) {
  VerifiedSave save;
  save.outcome = save_settings(link, bitrate, identifier);
  if (!save.outcome.ok()) {
    return save;
  }
  HeldValues held(save);
  save.outcome = read_settings(link, held);
  if (!save.outcome.ok()) {
    return save;
  }
  if (save.held_bitrate != bitrate) {
    save.differences.push_back("Verify failed: the device holds bitrate " +
                               bitrate_name(*save.held_bitrate) + ", written " +
                               bitrate_name(bitrate));
  }
  const std::uint32_t written = text_to_u32(utf8_from_utf16(identifier), 16);
  if (save.held_identifier != written) {
    save.differences.push_back("Verify failed: the device holds identifier " +
                               hex_text(*save.held_identifier) + ", written " + hex_text(written));
  }
  return save;
}

}  // namespace quintrel
