// Ports that programs of the project advertise, such as quintrel-sim's pseudo-terminal, which the
// kernel's serial port list does not show. A program advertises a port by placing a symbolic
// link to its device in the user's advertisement directory (quintrel-sim --link DIR/NAME), and
// removes it when it stops; discovery lists every link that leads to a character device of the
// user's own.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "ports/port_list.h"

namespace quintrel {

// The description every advertised port is listed with.
inline constexpr char16_t kSimulatedDeviceDescription[] = u"Quintrel simulated device";

// The environment variable that names another advertisement directory (tests advertise their
// simulators in a private one); it is held to the same ownership rules.
inline constexpr char kPortsDirectoryVariable[] = "QUINTREL_PORTS_DIR";

// "/tmp/quintrel-ports-<uid>": one directory per user, so that no other user can put a port into
// this user's list. QUINTREL_PORTS_DIR, when set and not empty, names the directory instead.
std::filesystem::path advertised_ports_directory();

// Why the directory may not name ports ("missing", "writable by others", ...); empty when it may.
std::string untrusted_directory_reason(const std::filesystem::path& directory);

class AdvertisedPortScanner final : public PortScanner {
 public:
  // platform may be null (no platform ports). A directory that cannot be used is said once on
  // report (when given), unless it is the default one and simply missing: a user who set
  // QUINTREL_PORTS_DIR, or whose directory someone else made, would otherwise see the simulated
  // devices vanish without a word.
  explicit AdvertisedPortScanner(PortScanner* platform,
                                 std::filesystem::path directory = advertised_ports_directory(),
                                 std::ostream* report = nullptr)
      : platform_(platform), directory_(std::move(directory)), report_(report) {}

  // The platform's ports, then the advertised devices by path ("/dev/pts/3"), sorted, each of
  // kind kPty with the path of the link that advertises it (the first by name). A directory
  // that is missing, not a real directory, not the user's own or writable by others adds nothing;
  // so does a link whose device is gone or belongs to another user.
  std::vector<ScannedPort> present_ports() override;

 private:
  PortScanner* platform_;
  std::filesystem::path directory_;
  std::ostream* report_;
  bool reported_ = false;
};

}  // namespace quintrel
