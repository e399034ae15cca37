// The identifier field of the page: the window's own field rules (ui/numeric_field) over an
// in-memory edit control, which the page mirrors into its <input>. The page turns each key,
// paste, cut, undo and click into the window message the field expects, then shows the text and
// selection the control holds afterwards.
#include <emscripten.h>

#include <string>

#include "base/utf8_text.h"
#include "device/can_identifier.h"
#include "ui/emulated_edit.h"
#include "ui/numeric_field.h"

namespace quintrel::web {
namespace {

// clang-format off
EM_JS(void, js_report_runaway, (unsigned message), {
  console.error("identifier field: message " + message + " looped");
});
// clang-format on

class PageEdit final : public test::EmulatedEdit {
 protected:
  // Only a fault in the field's logic could loop; the page has no other way to show it.
  void report_runaway(FieldMessage message) override { js_report_runaway(message); }
};

PageEdit& edit() {
  static PageEdit control;
  return control;
}

std::string& answer() {
  static std::string text;
  return text;
}

}  // namespace
}  // namespace quintrel::web

extern "C" {

// The window installs the field with "0", no suffix, hexadecimal, at most 0x7FF.
EMSCRIPTEN_KEEPALIVE int quintrel_field_install() {
  return quintrel::install_numeric_field(quintrel::web::edit(), u"0", u"", 16,
                                         quintrel::kIdentifierMaximum);
}

// One window message through the field; shift tells the one key rule that depends on it.
EMSCRIPTEN_KEEPALIVE int quintrel_field_message(unsigned message, unsigned wparam, int lparam,
                                                int shift) {
  quintrel::web::PageEdit& control = quintrel::web::edit();
  control.shift = shift != 0;
  return static_cast<int>(quintrel::numeric_field_proc(control.window(), message, wparam, lparam));
}

EMSCRIPTEN_KEEPALIVE void quintrel_field_set_value(unsigned value) {
  quintrel::set_field_value(quintrel::web::edit().window(), value);
}

// The digits Save Settings sends.
EMSCRIPTEN_KEEPALIVE const char* quintrel_field_digits() {
  quintrel::web::answer() =
      quintrel::utf8_from_utf16(quintrel::get_field_text(quintrel::web::edit().window()));
  return quintrel::web::answer().c_str();
}

// What the <input> shows.
EMSCRIPTEN_KEEPALIVE const char* quintrel_field_text() {
  quintrel::web::answer() = quintrel::utf8_from_utf16(quintrel::web::edit().text);
  return quintrel::web::answer().c_str();
}

EMSCRIPTEN_KEEPALIVE int quintrel_field_anchor() {
  return quintrel::web::edit().anchor;
}
EMSCRIPTEN_KEEPALIVE int quintrel_field_caret() {
  return quintrel::web::edit().caret;
}

// Where the browser put the caret or selection after a click or drag, before the mouse message.
EMSCRIPTEN_KEEPALIVE void quintrel_field_place(int anchor, int caret) {
  quintrel::web::edit().anchor = anchor;
  quintrel::web::edit().caret = caret;
}

// The clipboard text a paste brings (the page reads it from the paste event).
EMSCRIPTEN_KEEPALIVE void quintrel_field_set_clipboard(const char* text) {
  quintrel::web::edit().clipboard = quintrel::utf16_from_utf8(text);
}

// The clipboard after a cut or copy, for the page to hand to the browser.
EMSCRIPTEN_KEEPALIVE const char* quintrel_field_clipboard() {
  quintrel::web::answer() = quintrel::utf8_from_utf16(quintrel::web::edit().clipboard);
  return quintrel::web::answer().c_str();
}

}  // extern "C"
