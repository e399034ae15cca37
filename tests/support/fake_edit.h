// The emulated edit control for the unit tests, with what the tests look at besides its text:
// how often it was routed, the messages the field let through to it, and (when a log is set) its
// text writes and its routing, in order with the window's other changes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/emulated_edit.h"

namespace quintrel::test {

class FakeEdit final : public EmulatedEdit {
 public:
  void write_text(std::u16string_view new_text) override {
    if (log != nullptr) {
      log->push_back("text " + std::string(new_text.begin(), new_text.end()));
    }
    EmulatedEdit::write_text(new_text);
  }
  FieldResult forward(FieldMessage message, FieldWParam wparam, FieldLParam lparam) override {
    if (message != kWmGetText && message != kWmSetText && message != kEmGetSel &&
        message != kEmSetSel) {
      forwarded.push_back(message);
    }
    return EmulatedEdit::forward(message, wparam, lparam);
  }
  void route_messages_to_field() override {
    ++routings;
    if (log != nullptr) {
      log->push_back("routed");
    }
    EmulatedEdit::route_messages_to_field();
  }

  int routings = 0;
  std::vector<FieldMessage> forwarded;      // every forwarded message but the text requests
  std::vector<std::string>* log = nullptr;  // "text <t>" and "routed", when set

 private:
  void report_runaway(FieldMessage message) override {
    ADD_FAILURE() << "the field keeps sending message " << message << " to itself";
  }
};

}  // namespace quintrel::test
