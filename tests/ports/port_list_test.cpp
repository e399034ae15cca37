#include "ports/port_list.h"

#include <gtest/gtest.h>

namespace quintrel {
namespace {

using Entries = std::vector<std::u16string>;

class FakePortBox final : public PortBox {
 public:
  int entry_count() override { return static_cast<int>(entries.size()); }
  void delete_entry(int index) override { entries.erase(entries.begin() + index); }
  void add_entry(std::u16string_view text) override { entries.emplace_back(text); }
  void select_entry(int index) override { selected = index; }

  Entries entries;
  int selected = -1;
};

class FixedScanner final : public PortScanner {
 public:
  std::vector<ScannedPort> present_ports() override { return ports; }
  std::vector<ScannedPort> ports;
};

const Entries kFixedNames = {u"COM1", u"COM2", u"COM3", u"COM4", u"COM5",
                             u"COM6", u"COM7", u"COM8", u"COM9", u"COM10"};

class PortListTest : public testing::Test {
 protected:
  FixedScanner scanner;
  FakePortBox box;
};

TEST_F(PortListTest, NoPortsGiveTheTenFixedNamesWithCom1Selected) {
  box.entries = {u"old entry", u"another"};

  fill_port_list(box, &scanner);

  EXPECT_EQ(box.entries, kFixedNames);
  EXPECT_EQ(box.selected, 0);
}

TEST_F(PortListTest, ScannedPortsComeFirstInScanOrderWithoutDeDuplication) {
  scanner.ports = {{u"COM3", u"USB Serial Port"}, {u"COM1", u"Communications Port"}};

  fill_port_list(box, &scanner);
  fill_port_list(box, &scanner);  // a second search gives the same list, not a doubled one

  Entries expected = {u"COM3(USB Serial Port)", u"COM1(Communications Port)"};
  expected.insert(expected.end(), kFixedNames.begin(), kFixedNames.end());
  EXPECT_EQ(box.entries, expected);
  EXPECT_EQ(box.selected, 0);
}

TEST_F(PortListTest, OverlongEntryIsCutTo255Units) {
  scanner.ports = {{u"/dev/ttyUSB0", std::u16string(300, u'd')}};

  fill_port_list(box, &scanner);

  ASSERT_EQ(box.entries.size(), 11u);
  EXPECT_EQ(box.entries[0].size(), kPortEntryMax);
  EXPECT_EQ(box.entries[0].substr(0, 13), u"/dev/ttyUSB0(");
}

TEST_F(PortListTest, ListedPortsAreTheBoxEntriesWithTheFixedNamesOfLegacyKind) {
  scanner.ports = {{u"COM3", u"USB Serial Port", PortKind::kUsb}};
  fill_port_list(box, &scanner);
  const std::vector<ScannedPort> listed = port_list_entries(&scanner);
  ASSERT_EQ(listed.size(), box.entries.size());
  for (std::size_t at = 0; at < listed.size(); ++at) {
    EXPECT_EQ(at == 0 ? format_port_entry(listed[at]) : listed[at].name, box.entries[at]);
    EXPECT_EQ(listed[at].kind, at == 0 ? PortKind::kUsb : PortKind::kLegacy);
  }
}

TEST_F(PortListTest, NoteForAMissingPortNamesThePresentOnesUpToALimit) {
  EXPECT_EQ(present_ports_note(&scanner), "no serial port is present");
  scanner.ports = {{u"/dev/ttyUSB0", u"FT232R"}, {u"/dev/ttyACM0", u"Pico"}};
  EXPECT_EQ(present_ports_note(&scanner),
            "ports present: /dev/ttyUSB0(FT232R), /dev/ttyACM0(Pico)");
  scanner.ports.assign(kPresentPortsNamed + 3, {u"COM4", u"x"});
  EXPECT_TRUE(present_ports_note(&scanner).ends_with("COM4(x), COM4(x) and 3 more"));
}

TEST_F(PortListTest, WithoutAScannerOnlyTheFixedNames) {
  fill_port_list(box, nullptr);
  EXPECT_EQ(box.entries, kFixedNames);
  EXPECT_EQ(present_ports_note(nullptr), "");
}

}  // namespace
}  // namespace quintrel
