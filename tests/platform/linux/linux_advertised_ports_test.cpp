// Advertised ports: links to character devices in the user's own directory, and nothing else.
#include "platform/linux/linux_advertised_ports.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/integration/processes.h"

namespace quintrel {
namespace {

namespace fs = std::filesystem;

class TwoPorts final : public PortScanner {
 public:
  std::vector<ScannedPort> present_ports() override {
    return {{u"/dev/ttyUSB0", u"FT232R"}, {u"/dev/ttyACM0", u"CDC"}};
  }
};

std::vector<std::u16string> entries(AdvertisedPortScanner& scanner) {
  std::vector<std::u16string> texts;
  for (const ScannedPort& port : scanner.present_ports()) {
    texts.push_back(format_port_entry(port));
  }
  return texts;
}

class AdvertisedPorts : public ::testing::Test {
 protected:
  AdvertisedPorts() : ports_(dir_.path() / "ports") {
    fs::create_directory(ports_);
    fs::permissions(ports_, fs::perms::owner_all, fs::perm_options::replace);
  }

  test::TempDir dir_;
  fs::path ports_;
};

TEST_F(AdvertisedPorts, LinksToCharacterDevicesFollowThePlatformPortsSorted) {
  fs::create_symlink("/dev/zero", ports_ / "b");
  fs::create_symlink("/dev/null", ports_ / "a");
  fs::create_symlink("/dev/null", ports_ / "c");                  // the same device once
  fs::create_symlink(dir_.path() / "gone", ports_ / "dangling");  // its device went away
  std::ofstream(dir_.path() / "file") << "x";
  fs::create_symlink(dir_.path() / "file", ports_ / "regular");  // no device
  std::ofstream(ports_ / "plain") << "x";                        // no link
  TwoPorts platform;
  AdvertisedPortScanner scanner(&platform, ports_);
  EXPECT_EQ(entries(scanner),
            (std::vector<std::u16string>{u"/dev/ttyUSB0(FT232R)", u"/dev/ttyACM0(CDC)",
                                         u"/dev/null(Quintrel simulated device)",
                                         u"/dev/zero(Quintrel simulated device)"}));
  // Each advertised device with the link that advertises it, the first by name.
  const std::vector<ScannedPort> ports = scanner.present_ports();
  EXPECT_EQ(ports[2].symlink, (ports_ / "a").string());
  EXPECT_EQ(ports[3].symlink, (ports_ / "b").string());
  EXPECT_EQ(ports[3].kind, PortKind::kPty);
}

TEST_F(AdvertisedPorts, AnUntrustedOrMissingDirectoryAddsNothing) {
  fs::create_symlink("/dev/null", ports_ / "a");
  TwoPorts platform;
  {
    SCOPED_TRACE("writable by others");
    fs::permissions(ports_, fs::perms::others_write, fs::perm_options::add);
    AdvertisedPortScanner scanner(&platform, ports_);
    EXPECT_EQ(entries(scanner).size(), 2u);
    fs::permissions(ports_, fs::perms::others_write, fs::perm_options::remove);
  }
  {
    SCOPED_TRACE("a link to the directory");
    fs::create_directory_symlink(ports_, dir_.path() / "link");
    AdvertisedPortScanner scanner(&platform, dir_.path() / "link");
    EXPECT_EQ(entries(scanner).size(), 2u);
  }
  {
    SCOPED_TRACE("missing, no platform scanner");
    AdvertisedPortScanner scanner(nullptr, dir_.path() / "missing");
    EXPECT_TRUE(entries(scanner).empty());
  }
  {
    SCOPED_TRACE("trusted again");
    AdvertisedPortScanner scanner(nullptr, ports_);
    EXPECT_EQ(entries(scanner),
              std::vector<std::u16string>{u"/dev/null(Quintrel simulated device)"});
  }
}

TEST_F(AdvertisedPorts, AnUnusableDirectoryIsSaidOnceAndAMissingDefaultNot) {
  fs::permissions(ports_, fs::perms::others_write, fs::perm_options::add);
  std::ostringstream said;
  AdvertisedPortScanner scanner(nullptr, ports_, &said);
  scanner.present_ports();
  scanner.present_ports();
  EXPECT_EQ(said.str(), "warning: simulated devices are not listed: " + ports_.string() +
                            " (QUINTREL_PORTS_DIR) is writable by others (chmod go-w)\n");
  std::ostringstream missing;
  AdvertisedPortScanner named(nullptr, dir_.path() / "gone", &missing);
  named.present_ports();
  EXPECT_TRUE(missing.str().ends_with("(QUINTREL_PORTS_DIR) is missing\n")) << missing.str();
}

TEST(AdvertisedPortsDirectory, IsPerUserUnderTmp) {
  EXPECT_EQ(advertised_ports_directory().parent_path(), fs::path("/tmp"));
  EXPECT_EQ(advertised_ports_directory().filename().string().rfind("quintrel-ports-", 0), 0u);
}

}  // namespace
}  // namespace quintrel
