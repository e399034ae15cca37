#include "ports/port_identity.h"

#include "base/utf8_text.h"

namespace quintrel {

// Windows compares device names without regard to case ("com3" opens COM3).
std::string port_identity(std::u16string_view port_name) {
  std::string identity = utf8_from_utf16(port_name);
  for (char& c : identity) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return identity;
}

bool port_name_exists(std::u16string_view) {
  return false;
}

}  // namespace quintrel
