#include "ui/numeric_field.h"

#include <algorithm>
#include <string>

#include "base/ascii_text.h"
#include "ui/field_editor.h"

namespace quintrel {

namespace {

NumericFieldSlot* find_slot(FieldWindow window) {
  if (window == nullptr) {
    return nullptr;
  }
  NumericFieldTable& table = numeric_field_table();
  for (std::size_t index = 0; index < kNumericFieldSlots; ++index) {
    if (table.keys[index] == window) {
      return &table.slots[index];
    }
  }
  return nullptr;
}

}  // namespace

NumericFieldTable& numeric_field_table() {
  static NumericFieldTable table;
  return table;
}

int install_numeric_field(EditControl& control, std::u16string_view initial_text,
                          std::u16string_view suffix, std::int32_t radix, std::uint32_t maximum) {
  const FieldWindow window = control.window();
  if (window == nullptr) {
    return -1;
  }
  NumericFieldTable& table = numeric_field_table();
  auto key = std::find(table.keys.begin(), table.keys.end(), window);
  if (key == table.keys.end()) {
    key = std::find(table.keys.begin(), table.keys.end(), nullptr);
  }
  if (key == table.keys.end()) {
    return -1;
  }
  const auto index = static_cast<int>(key - table.keys.begin());
  NumericFieldSlot& slot = table.slots[static_cast<std::size_t>(index)];
  const bool routed = *key == window && slot.control == &control;
  *key = window;
  slot.suffix = suffix;
  slot.radix = radix;
  slot.maximum = maximum;
  slot.window = window;
  slot.control = &control;
  FieldEditor(slot).show(initial_text);
  if (!routed) {
    control.route_messages_to_field();
  }
  return index;
}

void set_field_value(FieldWindow window, std::uint32_t value) {
  NumericFieldSlot* slot = find_slot(window);
  if (slot == nullptr || slot->control == nullptr) {
    return;
  }
  // A hexadecimal value takes at most 8 characters; a decimal one is shown whole (up to 11) rather
  // than cut into a different number.
  const std::string formatted =
      slot->radix == 16 ? hex_text(value) : std::to_string(static_cast<std::int32_t>(value));
  FieldEditor(*slot).show(std::u16string(formatted.begin(), formatted.end()));
}

std::u16string get_field_text(FieldWindow window) {
  NumericFieldSlot* slot = find_slot(window);
  if (slot == nullptr || slot->control == nullptr) {
    return {};
  }
  return FieldEditor(*slot).digits();
}

FieldResult numeric_field_proc(FieldWindow window, FieldMessage message, FieldWParam wparam,
                               FieldLParam lparam) {
  NumericFieldSlot* slot = find_slot(window);
  if (slot == nullptr || slot->control == nullptr) {
    return 0;
  }
  if (slot->in_control_call) {
    return slot->control->forward(message, wparam, lparam);
  }
  const FieldResult result = FieldEditor(*slot).handle(message, wparam, lparam);
  if (message == kWmNcDestroy) {
    slot->control = nullptr;
  }
  return result;
}

void forget_field_control(FieldWindow window) {
  if (NumericFieldSlot* slot = find_slot(window); slot != nullptr) {
    slot->control = nullptr;
  }
}

}  // namespace quintrel
