#include "tests/support/fake_edit.h"

#include <algorithm>

namespace quintrel::test {

void FakeEdit::write_text(std::u16string_view new_text) {
  if (log != nullptr) {
    log->push_back("text " + std::string(new_text.begin(), new_text.end()));
  }
  const std::u16string copy(new_text);
  if (routings > 0) {
    numeric_field_proc(window(), kWmSetText, 0, reinterpret_cast<FieldLParam>(&copy));
  } else {
    forward(kWmSetText, 0, reinterpret_cast<FieldLParam>(&copy));
  }
}

void FakeEdit::set_selection(FieldSelection selection) {
  const int length = static_cast<int>(text.size());
  selected.start = std::clamp(std::min(selection.start, selection.end), 0, length);
  selected.end = std::clamp(std::max(selection.start, selection.end), 0, length);
}

void FakeEdit::replace_selection(std::u16string_view with) {
  undo_text = text;
  const auto start = static_cast<std::size_t>(selected.start);
  text.replace(start, static_cast<std::size_t>(selected.end - selected.start), with);
  const int caret = selected.start + static_cast<int>(with.size());
  selected = {caret, caret};
}

FieldResult FakeEdit::forward(FieldMessage message, FieldWParam wparam, FieldLParam lparam) {
  if (message != kWmSetText) {
    forwarded.push_back(message);
  }
  const int caret = selected.start;
  const bool plain_caret = selected.start == selected.end;
  const int length = static_cast<int>(text.size());
  switch (message) {
    case kWmSetText:
      text = *reinterpret_cast<const std::u16string*>(lparam);
      selected = {0, 0};
      return 1;
    case kWmChar:
    case kWmImeChar:
      if (wparam == kCharBackspace) {
        if (plain_caret && caret > 0) {
          set_selection({caret - 1, caret});
        }
        replace_selection(u"");
      } else {
        replace_selection(std::u16string(1, static_cast<char16_t>(wparam)));
      }
      return 0;
    case kWmKeyDown:
      if (wparam == kVkDelete) {
        if (plain_caret) {
          set_selection({caret, ctrl ? length : caret + 1});
        }
        replace_selection(u"");
      } else if (wparam == kVkLeft || wparam == kVkRight) {
        const int to = caret + (wparam == kVkLeft ? -1 : 1);
        set_selection({to, to});
      } else if (wparam == kVkInsert && shift) {
        replace_selection(clipboard);
      }
      return 0;
    case kWmPaste:
      replace_selection(clipboard);
      return 0;
    case kWmCut:
    case kWmClear:
      replace_selection(u"");
      return 0;
    case kWmUndo:
      if (undo_text) {
        std::swap(text, *undo_text);
        selected = {0, static_cast<int>(text.size())};
      }
      return 1;
    case kWmImeComposition:
      replace_selection(ime_result);
      return 0;
    default:
      return 0;
  }
}

}  // namespace quintrel::test
