// Numeric identifiers of the program's controls, shared by the logic and every toolkit layer.
#pragma once

namespace quintrel {

inline constexpr int kPortBox = 1001;
inline constexpr int kComOpenButton = 1002;
inline constexpr int kComCloseButton = 1003;
inline constexpr int kSearchAgainButton = 1004;
inline constexpr int kIdLabel = 1005;
inline constexpr int kSaveSettingsButton = 1007;
inline constexpr int kBitrateList = 1008;
inline constexpr int kReadingButton = 1009;
inline constexpr int kBuzzOffButton = 1011;
inline constexpr int kIdField = 1012;

// The message window's OK button.
inline constexpr int kMessageOkButton = 1006;

}  // namespace quintrel
