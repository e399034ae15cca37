#include "platform/linux/linux_port_name.h"

#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <cstdlib>

#include "base/utf8_text.h"
#include "ports/port_identity.h"

namespace quintrel {

namespace {

// "COM" and a number from 1 written without leading zeros; nine digits at most, so the number
// always fits.
bool com_number(std::u16string_view name, std::uint32_t& number) {
  constexpr std::u16string_view kPrefix = u"COM";
  if (!name.starts_with(kPrefix)) {
    return false;
  }
  const std::u16string_view digits = name.substr(kPrefix.size());
  if (digits.empty() || digits.size() > 9 || digits.front() == u'0') {
    return false;
  }
  number = 0;
  for (const char16_t digit : digits) {
    if (digit < u'0' || digit > u'9') {
      return false;
    }
    number = number * 10 + static_cast<std::uint32_t>(digit - u'0');
  }
  return true;
}

}  // namespace

std::string linux_port_path(std::u16string_view port_name) {
  if (port_name.starts_with(u'/')) {
    return utf8_from_utf16(port_name);
  }
  std::uint32_t number = 0;
  if (com_number(port_name, number)) {
    return "/dev/ttyS" + std::to_string(number - 1);
  }
  return "/dev/" + utf8_from_utf16(port_name);
}

std::string port_identity(std::u16string_view port_name) {
  const std::string path = linux_port_path(port_name);
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

bool port_name_exists(std::u16string_view port_name) {
  struct stat info {};
  return ::lstat(linux_port_path(port_name).c_str(), &info) == 0;
}

}  // namespace quintrel
