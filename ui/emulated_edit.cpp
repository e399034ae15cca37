#include "ui/emulated_edit.h"

#include <algorithm>
#include <cstdint>

namespace quintrel::test {

namespace {

// The field's own requests may come back through it once; deeper means it keeps re-entering.
constexpr int kMaxDepth = 2;

bool is_blank(char16_t c) {
  return c == u' ' || c == u'\t';
}

}  // namespace

FieldResult EmulatedEdit::request(FieldMessage message, FieldWParam wparam, FieldLParam lparam) {
  if (!routed_) {
    return forward(message, wparam, lparam);
  }
  if (depth_ == kMaxDepth) {
    report_runaway(message);
    return forward(message, wparam, lparam);
  }
  ++depth_;
  const FieldResult result = numeric_field_proc(window(), message, wparam, lparam);
  --depth_;
  return result;
}

std::u16string EmulatedEdit::read_text(std::size_t max_chars) {
  std::u16string buffer(max_chars + 1, u'\0');
  const FieldResult copied =
      request(kWmGetText, buffer.size(), reinterpret_cast<FieldLParam>(buffer.data()));
  buffer.resize(static_cast<std::size_t>(std::clamp<FieldResult>(copied, 0, max_chars)));
  return buffer;
}

void EmulatedEdit::write_text(std::u16string_view new_text) {
  const std::u16string terminated(new_text);
  request(kWmSetText, 0, reinterpret_cast<FieldLParam>(terminated.c_str()));
}

FieldSelection EmulatedEdit::selection() {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  request(kEmGetSel, reinterpret_cast<FieldWParam>(&start), reinterpret_cast<FieldLParam>(&end));
  return {static_cast<int>(start), static_cast<int>(end)};
}

void EmulatedEdit::set_selection(FieldSelection range) {
  request(kEmSetSel, static_cast<FieldWParam>(range.start), range.end);
}

FieldSelection EmulatedEdit::selected() const {
  return {std::min(anchor, caret), std::max(anchor, caret)};
}

FieldResult EmulatedEdit::copy_text(std::size_t room, char16_t* buffer) const {
  if (room == 0) {
    return 0;
  }
  const std::size_t count = std::min(text.size(), room - 1);
  std::copy_n(text.begin(), count, buffer);
  buffer[count] = u'\0';
  return static_cast<FieldResult>(count);
}

void EmulatedEdit::select(int new_anchor, int new_caret) {
  const int length = static_cast<int>(text.size());
  anchor = std::clamp(new_anchor, 0, length);
  caret = std::clamp(new_caret, 0, length);
}

std::u16string EmulatedEdit::selected_text() const {
  const FieldSelection range = selected();
  return text.substr(static_cast<std::size_t>(range.start),
                     static_cast<std::size_t>(range.end - range.start));
}

void EmulatedEdit::replace_selection(std::u16string_view with) {
  const FieldSelection range = selected();
  if (range.start == range.end && with.empty()) {
    return;  // nothing changes, so the undo buffer stays
  }
  undo_text = text;
  text.replace(static_cast<std::size_t>(range.start),
               static_cast<std::size_t>(range.end - range.start), with);
  const int after = range.start + static_cast<int>(with.size());
  select(after, after);
}

void EmulatedEdit::type(FieldWParam character) {
  if (character == kCharBackspace) {
    if (anchor == caret) {
      select(caret - 1, caret);
    }
    replace_selection(u"");
  } else if (character >= 0x20 && character <= 0xFFFF) {
    replace_selection(std::u16string(1, static_cast<char16_t>(character)));
  }
}

void EmulatedEdit::key_down(FieldWParam key) {
  const int length = static_cast<int>(text.size());
  switch (key) {
    case kVkDelete:
      if (anchor == caret) {
        select(caret, ctrl ? length : caret + 1);
      }
      if (shift) {
        clipboard = selected_text();
      }
      replace_selection(u"");
      break;
    case kVkInsert:
      if (shift) {
        replace_selection(clipboard);
      } else if (ctrl) {
        clipboard = selected_text();
      }
      break;
    case kVkLeft:
    case kVkRight:
    case kVkHome:
    case kVkEnd: {
      const int to = key == kVkHome  ? 0
                     : key == kVkEnd ? length
                                     : caret + (key == kVkLeft ? -1 : 1);
      select(shift ? anchor : to, to);
      break;
    }
    default:
      break;
  }
}

void EmulatedEdit::select_word(int at) {
  const auto length = static_cast<int>(text.size());
  int start = std::clamp(at, 0, length);
  int end = start;
  while (start > 0 && !is_blank(text[static_cast<std::size_t>(start - 1)])) {
    --start;
  }
  while (end < length && !is_blank(text[static_cast<std::size_t>(end)])) {
    ++end;
  }
  select(start, end);
}

FieldResult EmulatedEdit::get_selection(FieldWParam wparam, FieldLParam lparam) const {
  const FieldSelection range = selected();
  if (wparam != 0) {
    *reinterpret_cast<std::uint32_t*>(wparam) = static_cast<std::uint32_t>(range.start);
  }
  if (lparam != 0) {
    *reinterpret_cast<std::uint32_t*>(lparam) = static_cast<std::uint32_t>(range.end);
  }
  return range.end > 0xFFFF ? -1 : range.start | range.end << 16;
}

void EmulatedEdit::set_selection(std::int32_t start, std::int32_t end) {
  const int length = static_cast<int>(text.size());
  if (start == -1) {
    select(caret, caret);
  } else {
    select(start < 0 ? length : start, end < 0 ? length : end);
  }
}

FieldResult EmulatedEdit::forward(FieldMessage message, FieldWParam wparam, FieldLParam lparam) {
  // A click's x is the low word of lParam.
  const int x = static_cast<int>(lparam & 0xFFFF);
  switch (message) {
    case kWmGetText:
      return copy_text(wparam, reinterpret_cast<char16_t*>(lparam));
    case kWmSetText:
      text = reinterpret_cast<const char16_t*>(lparam);
      undo_text.reset();
      select(0, 0);
      return 1;
    case kEmGetSel:
      return get_selection(wparam, lparam);
    case kEmSetSel:
      set_selection(static_cast<std::int32_t>(wparam), static_cast<std::int32_t>(lparam));
      return 0;
    case kWmChar:
    case kWmImeChar:
      type(wparam);
      return 0;
    case kWmKeyDown:
      key_down(wparam);
      return 0;
    case kWmLButtonDown:
      select(x, x);
      return 0;
    case kWmLButtonDblClk:
      select_word(x);
      return 0;
    case kWmCut:
      clipboard = selected_text();
      replace_selection(u"");
      return 0;
    case kWmCopy:
      clipboard = selected_text();
      return 0;
    case kWmPaste:
      replace_selection(clipboard);
      return 0;
    case kWmClear:
      replace_selection(u"");
      return 0;
    case kWmUndo:
    case kEmUndo:
      if (undo_text) {
        std::swap(text, *undo_text);
        select(0, static_cast<int>(text.size()));
      }
      return 1;
    case kWmImeComposition:
      replace_selection(ime_result);
      return 0;
    case kWmNcDestroy:
      text.clear();  // the window is gone: its text reads empty
      select(0, 0);
      return 0;
    default:
      return 0;
  }
}

}  // namespace quintrel::test
