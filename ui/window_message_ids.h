// Window message numbers and virtual-key codes the identifier field and the main dialog react to.
// They are the Windows values, so the Win32 layer hands its messages over unchanged; any other
// toolkit translates its events into these numbers. No platform header is needed.
#pragma once

#include <cstdint>

namespace quintrel {

// A message as a window procedure receives it.
using FieldMessage = unsigned;
using FieldWParam = std::uintptr_t;
using FieldLParam = std::intptr_t;
using FieldResult = std::intptr_t;

// Passes any event that has no message of its own on to the control (Win32: WM_NULL).
inline constexpr FieldMessage kWmNull = 0x0000;
inline constexpr FieldMessage kWmDestroy = 0x0002;
inline constexpr FieldMessage kWmSetFocus = 0x0007;
inline constexpr FieldMessage kWmSetText = 0x000C;
inline constexpr FieldMessage kWmGetText = 0x000D;
inline constexpr FieldMessage kWmNcDestroy = 0x0082;
inline constexpr FieldMessage kEmGetSel = 0x00B0;
inline constexpr FieldMessage kEmSetSel = 0x00B1;
inline constexpr FieldMessage kWmKeyDown = 0x0100;
inline constexpr FieldMessage kWmChar = 0x0102;
inline constexpr FieldMessage kWmImeComposition = 0x010F;
inline constexpr FieldMessage kWmLButtonDown = 0x0201;
inline constexpr FieldMessage kWmLButtonUp = 0x0202;
inline constexpr FieldMessage kWmLButtonDblClk = 0x0203;
inline constexpr FieldMessage kWmMButtonDown = 0x0207;
inline constexpr FieldMessage kWmMButtonUp = 0x0208;
inline constexpr FieldMessage kWmImeChar = 0x0286;
inline constexpr FieldMessage kWmCut = 0x0300;
inline constexpr FieldMessage kWmCopy = 0x0301;
inline constexpr FieldMessage kWmPaste = 0x0302;
inline constexpr FieldMessage kWmClear = 0x0303;
inline constexpr FieldMessage kWmUndo = 0x0304;

// Virtual-key codes (the wParam of kWmKeyDown).
inline constexpr FieldWParam kVkEnd = 0x23;
inline constexpr FieldWParam kVkHome = 0x24;
inline constexpr FieldWParam kVkLeft = 0x25;
inline constexpr FieldWParam kVkUp = 0x26;
inline constexpr FieldWParam kVkRight = 0x27;
inline constexpr FieldWParam kVkDown = 0x28;
inline constexpr FieldWParam kVkInsert = 0x2D;
inline constexpr FieldWParam kVkDelete = 0x2E;

// The character of a kWmChar for the Backspace key.
inline constexpr FieldWParam kCharBackspace = 0x08;

}  // namespace quintrel
