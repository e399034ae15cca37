// The texts the page shows that no outcome carries, from the program's one list of texts.
#include <emscripten.h>

#include <string>

#include "base/message_texts.h"
#include "base/utf8_text.h"
#include "web/core/outcome_json.h"

extern "C" {

// 0: the question before saving; 1: the notice after it.
EMSCRIPTEN_KEEPALIVE const char* quintrel_message_text(int which) {
  static std::string text;
  text = quintrel::utf8_from_utf16(which == 0 ? quintrel::messages::kSaveQuestion
                                              : quintrel::messages::kSaved);
  return text.c_str();
}

// The bitrate list, as the window's and the command line's.
EMSCRIPTEN_KEEPALIVE const char* quintrel_bitrate_names() {
  static const std::string names = quintrel::web::bitrate_names_json();
  return names.c_str();
}

}  // extern "C"
