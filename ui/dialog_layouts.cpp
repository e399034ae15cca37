#include "ui/dialog_layouts.h"

#include "ui/control_ids.h"

namespace quintrel {

namespace {

// Windows style bits, as the resource compiler sets them.
constexpr std::uint32_t kChild = 0x50000000;  // WS_CHILD | WS_VISIBLE
constexpr std::uint32_t kTabStop = 0x00010000;
constexpr std::uint32_t kGroup = 0x00020000;
constexpr std::uint32_t kVScroll = 0x00200000;
constexpr std::uint32_t kBorder = 0x00800000;
constexpr std::uint32_t kComboDropDown = 0x2;
constexpr std::uint32_t kDefaultButton = 0x1;
constexpr std::uint32_t kEditRight = 0x2;
constexpr std::uint32_t kEditAutoScroll = 0x80;
constexpr std::uint32_t kTextCentre = 0x1;
constexpr std::uint32_t kTextRight = 0x2;
// WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, and DS_CENTER.
constexpr std::uint32_t kDialog = 0x80C800C0;
constexpr std::uint32_t kCentred = 0x0800;

constexpr std::uint32_t kButton = kChild | kTabStop;
constexpr std::uint32_t kComboStyle = kChild | kVScroll | kTabStop;

constexpr ControlLayout kMainControls[] = {
    {kPortBox, ControlKind::kComboBox, u"", 14, 14, 170, 30, kComboStyle | kComboDropDown},
    {kComOpenButton, ControlKind::kPushButton, u"COM OPEN", 15, 35, 50, 14, kButton},
    {kComCloseButton, ControlKind::kPushButton, u"COM CLOSE", 75, 35, 50, 14, kButton},
    {kSearchAgainButton, ControlKind::kPushButton, u"Search again", 135, 35, 50, 14, kButton},
    {kSaveSettingsButton, ControlKind::kPushButton, u"Save Settings", 155, 84, 50, 14, kButton},
    {kBitrateList, ControlKind::kComboBox, u"", 15, 86, 74, 30, kComboStyle | kComboDropDownList},
    {kReadingButton, ControlKind::kPushButton, u"Reading", 97, 84, 50, 14, kButton},
    {kBuzzOffButton, ControlKind::kPushButton, u"BUZZ OFF", 155, 62, 50, 14, kButton},
    {kIdField, ControlKind::kEditText, u"", 68, 109, 21, 12,
     kChild | kBorder | kTabStop | kEditAutoScroll | kEditRight},
    {kIdLabel, ControlKind::kRText, u"0x", 40, 111, 26, 11, kChild | kGroup | kTextRight},
};

// The text is a placeholder: the message's own text replaces it.
constexpr ControlLayout kMessageControls[] = {
    {kMessageOkButton, ControlKind::kDefPushButton, u"OK", 84, 43, 50, 14,
     kButton | kDefaultButton},
    {kMessageTextId, ControlKind::kCText, u"スタティック", 31, 7, 157, 32,
     kChild | kGroup | kTextCentre},
};

}  // namespace

constexpr DialogLayout kMainDialogLayout{101, u"Dialog",          221,
                                         137, kDialog | kCentred, kMainControls};
constexpr DialogLayout kMessageDialogLayout{108, u"Dialog", 219, 64, kDialog, kMessageControls};

}  // namespace quintrel
