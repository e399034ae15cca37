// The program's two dialog templates, 101 (the main window) and 108 (the message window), in one
// toolkit-neutral description: every control's kind, text, place and size in dialog units and its
// Windows style bits, in template order (which is also the tab order). The Qt layer lays its
// windows out from it. The Windows build compiles the same templates from ui/win32/quintrel.rc;
// a test holds this table against the record of the compiled ones.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace quintrel {

enum class ControlKind { kComboBox, kPushButton, kDefPushButton, kEditText, kRText, kCText };

struct ControlLayout {
  int id;
  ControlKind kind;
  std::u16string_view text;  // none for combo boxes and edit controls
  int x;
  int y;
  int cx;
  int cy;  // a combo box's height includes its open list
  std::uint32_t style;
};

struct DialogLayout {
  int id;
  std::u16string_view caption;  // replaced when the window opens
  int cx;
  int cy;
  std::uint32_t style;
  std::span<const ControlLayout> controls;
};

inline constexpr int kMessageTextId = 1005;

// The style bits a toolkit layer reads: a combo box whose text cannot be typed.
inline constexpr std::uint32_t kComboTypeBits = 0x3;
inline constexpr std::uint32_t kComboDropDownList = 0x3;

extern const DialogLayout kMainDialogLayout;     // template 101
extern const DialogLayout kMessageDialogLayout;  // template 108

// Template 108 has no control for its icon: the window draws it in its client area, 40 x 40 at
// 10,10 (96-DPI pixels), which fills the margin the template leaves left of the text (31 dialog
// units, about 50 pixels with the dialog font).
inline constexpr int kMessageIconPosition = 10;
inline constexpr int kMessageIconSize = 40;

}  // namespace quintrel
