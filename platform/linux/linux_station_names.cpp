#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/station_names.h"

namespace quintrel::cli {

namespace {

// getpwuid_r's buffer when sysconf does not say; an entry's texts are far shorter.
constexpr std::size_t kPasswordEntryBuffer = 16 * 1024;

}  // namespace

Result<std::string> host_name() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) {
    return Failure{std::string("gethostname failed: ") + std::strerror(errno)};
  }
  return std::string(name);
}

Result<std::string> user_name() {
  const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested)
                                         : kPasswordEntryBuffer);
  passwd entry{};
  passwd* found = nullptr;
  const int error = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found);
  if (found == nullptr) {
    return Failure{"user " + std::to_string(geteuid()) + " has no entry in the user database" +
                   (error != 0 ? std::string(" (") + std::strerror(error) + ")" : "")};
  }
  return std::string(entry.pw_name);
}

}  // namespace quintrel::cli
