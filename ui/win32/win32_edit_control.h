// The identifier field's edit control as the numeric field sees it: its text and selection
// through the usual edit messages, and its messages routed to numeric_field_proc by replacing
// its window procedure (GetWindowLongPtrW/SetWindowLongPtrW with GWLP_WNDPROC, which keep the
// whole 64-bit pointer).
#pragma once

#include <windows.h>

#include "ui/numeric_field.h"

namespace quintrel {

class Win32EditControl final : public EditControl {
 public:
  explicit Win32EditControl(HWND edit) : edit_(edit) {}

  FieldWindow window() override { return edit_; }
  std::u16string read_text(std::size_t max_chars) override;
  void write_text(std::u16string_view text) override;
  FieldSelection selection() override;
  void set_selection(FieldSelection selection) override;
  FieldResult forward(FieldMessage message, FieldWParam wparam, FieldLParam lparam) override;
  void route_messages_to_field() override;
  std::u16string clipboard_text() override;
  bool shift_held() override;

 private:
  HWND edit_;
  WNDPROC previous_procedure_ = nullptr;
};

}  // namespace quintrel
