#include <windows.h>

#include <string>

#include "base/utf8_text.h"
#include "platform/station_names.h"
#include "platform/windows/win32_system_failure.h"

namespace quintrel::cli {

namespace {

// UNLEN (256) characters and the terminator; a computer name is shorter still.
constexpr DWORD kNameBuffer = 257;

std::string utf8_of(const wchar_t* text, DWORD length) {
  return utf8_from_utf16(std::u16string(reinterpret_cast<const char16_t*>(text), length));
}

}  // namespace

Result<std::string> host_name() {
  wchar_t name[kNameBuffer] = {};
  DWORD length = kNameBuffer;
  if (!GetComputerNameExW(ComputerNameDnsHostname, name, &length)) {
    return system_failure("GetComputerNameExW");
  }
  return utf8_of(name, length);
}

Result<std::string> user_name() {
  wchar_t name[kNameBuffer] = {};
  DWORD length = kNameBuffer;
  if (!GetUserNameW(name, &length)) {
    return system_failure("GetUserNameW");
  }
  return utf8_of(name, length - 1);  // the count includes the terminator
}

}  // namespace quintrel::cli
