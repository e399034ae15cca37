#include <windows.h>

#include <string>

#include "base/utf8_text.h"
#include "platform/environment.h"
#include "platform/windows/win32_system_failure.h"

namespace quintrel::cli {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

// Another thread may change the variable between asking its size and reading it; a read that
// still does not fit after this many tries is given up.
constexpr int kReadAttempts = 4;

}  // namespace

Result<std::optional<std::string>> environment_variable(const char* name) {
  const std::wstring wide_name(name, name + std::char_traits<char>::length(name));
  std::wstring value(1, L'\0');
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    // 0 is both an empty value and a failure; only the error tells them apart.
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableW(wide_name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) {
      const DWORD error = GetLastError();
      if (error == ERROR_ENVVAR_NOT_FOUND) {
        return std::optional<std::string>();
      }
      if (error != ERROR_SUCCESS) {
        return system_failure("GetEnvironmentVariableW", error);
      }
      return std::optional<std::string>(std::string());
    }
    if (length < value.size()) {
      // Fits: length characters without the terminator.
      value.resize(length);
      return std::optional(utf8_from_utf16(std::u16string(value.begin(), value.end())));
    }
    value.assign(length, L'\0');  // too small: length is the size needed, terminator included
  }
  return system_failure("GetEnvironmentVariableW", ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace quintrel::cli
