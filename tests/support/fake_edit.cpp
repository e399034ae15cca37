#include "tests/support/fake_edit.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quintrel::test {

FieldResult FakeEdit::request(FieldMessage message, FieldWParam wparam, FieldLParam lparam) {
  if (routings == 0 || depth_ > 2) {
    if (depth_ > 2) {
      ADD_FAILURE() << "the field keeps sending message " << message << " to itself";
    }
    return forward(message, wparam, lparam);
  }
  ++depth_;
  const FieldResult result = numeric_field_proc(window(), message, wparam, lparam);
  --depth_;
  return result;
}

std::u16string FakeEdit::read_text(std::size_t max_chars) {
  std::u16string out;
  request(kWmGetText, max_chars + 1, reinterpret_cast<FieldLParam>(&out));
  return out;
}

void FakeEdit::write_text(std::u16string_view new_text) {
  if (log != nullptr) {
    log->push_back("text " + std::string(new_text.begin(), new_text.end()));
  }
  const std::u16string copy(new_text);
  request(kWmSetText, 0, reinterpret_cast<FieldLParam>(&copy));
}

FieldSelection FakeEdit::selection() {
  FieldSelection out;
  request(kEmGetSel, reinterpret_cast<FieldWParam>(&out.start),
          reinterpret_cast<FieldLParam>(&out.end));
  return out;
}

void FakeEdit::set_selection(FieldSelection selection) {
  request(kEmSetSel, static_cast<FieldWParam>(selection.start), selection.end);
}

void FakeEdit::select_directly(FieldSelection selection) {
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
  if (message != kWmGetText && message != kWmSetText && message != kEmGetSel &&
      message != kEmSetSel) {
    forwarded.push_back(message);
  }
  const int caret = selected.start;
  const bool plain_caret = selected.start == selected.end;
  const int length = static_cast<int>(text.size());
  switch (message) {
    case kWmGetText:
      *reinterpret_cast<std::u16string*>(lparam) = text.substr(0, wparam - 1);
      return 0;
    case kWmSetText:
      text = *reinterpret_cast<const std::u16string*>(lparam);
      selected = {0, 0};
      return 1;
    case kEmGetSel:
      *reinterpret_cast<int*>(wparam) = selected.start;
      *reinterpret_cast<int*>(lparam) = selected.end;
      return 0;
    case kEmSetSel:
      select_directly({static_cast<int>(wparam), static_cast<int>(lparam)});
      return 0;
    case kWmChar:
    case kWmImeChar:
      if (wparam == kCharBackspace) {
        if (plain_caret && caret > 0) {
          select_directly({caret - 1, caret});
        }
        replace_selection(u"");
      } else {
        replace_selection(std::u16string(1, static_cast<char16_t>(wparam)));
      }
      return 0;
    case kWmKeyDown:
      if (wparam == kVkDelete) {
        if (plain_caret) {
          select_directly({caret, ctrl ? length : caret + 1});
        }
        replace_selection(u"");
      } else if (wparam == kVkLeft || wparam == kVkRight) {
        const int to = caret + (wparam == kVkLeft ? -1 : 1);
        select_directly({to, to});
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
    case kWmNcDestroy:
      text.clear();  // the window is gone: its text reads empty
      return 0;
    case kWmImeComposition:
      replace_selection(ime_result);
      return 0;
    default:
      return 0;
  }
}

}  // namespace quintrel::test
