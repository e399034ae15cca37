#include "platform/linux/linux_port_name.h"

#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "base/utf8_text.h"
#include "ports/port_identity.h"

namespace quintrel {

namespace {

// The number of "COM" and a number from 1 written without leading zeros; nine digits at most, so
// the number always fits. nullopt for any other name.
std::optional<std::uint32_t> com_number(std::u16string_view name) {
  constexpr std::u16string_view kPrefix = u"COM";
  if (!name.starts_with(kPrefix)) {
    return std::nullopt;
  }
  const std::u16string_view digits = name.substr(kPrefix.size());
  if (digits.empty() || digits.size() > 9 || digits.front() == u'0') {
    return std::nullopt;
  }
  std::uint32_t number = 0;
  for (const char16_t digit : digits) {
    if (digit < u'0' || digit > u'9') {
      return std::nullopt;
    }
    number = number * 10 + static_cast<std::uint32_t>(digit - u'0');
  }
  return number;
}

}  // namespace

std::string linux_port_path(std::u16string_view port_name) {
  if (port_name.starts_with(u'/')) {
    return utf8_from_utf16(port_name);
  }
  if (const std::optional<std::uint32_t> number = com_number(port_name)) {
    return "/dev/ttyS" + std::to_string(*number - 1);
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
