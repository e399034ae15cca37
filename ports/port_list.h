// The port box's list: the serial ports the platform finds, each with its description, then the
// ten fixed names "COM1".."COM10" for ports the scan does not find.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quintrel {

// Longest entry text; a longer one is cut to this many UTF-16 units.
inline constexpr std::size_t kPortEntryMax = 255;

// The window opens the port its box names from at most this many UTF-16 units of the box's text;
// a port named on the command line is cut the same way.
inline constexpr std::size_t kPortTextMax = 299;

// What kind of port an entry is: a USB adapter, a UART on the board, a pseudo-terminal, one of the
// fixed names "COM1".."COM10" that may not exist, or anything else.
enum class PortKind { kOther, kUsb, kUart, kPty, kLegacy };

struct ScannedPort {
  ScannedPort() = default;
  ScannedPort(std::u16string port_name, std::u16string port_description,
              PortKind port_kind = PortKind::kOther)
      : name(std::move(port_name)), description(std::move(port_description)), kind(port_kind) {}

  std::u16string name;
  std::u16string description;
  PortKind kind = PortKind::kOther;
  // What the platform tells of the device behind the port, in UTF-8; empty where not known.
  std::string vid;           // 4 lower-case hex digits
  std::string pid;           // 4 lower-case hex digits
  std::string serial;        // the USB serial number
  std::string manufacturer;  // the USB manufacturer text
  std::string product;       // the USB product text
  std::string by_id;         // Linux: the /dev/serial/by-id/ link that leads to the port
  std::string symlink;       // an advertised port's link path (quintrel-sim --link)
  std::string location;      // where the device sits (USB bus path, PCI slot, ...)
};

// What fill_port_list needs of the port box (a combo box).
class PortBox {
 public:
  virtual ~PortBox() = default;
  virtual int entry_count() = 0;
  virtual void delete_entry(int index) = 0;
  virtual void add_entry(std::u16string_view text) = 0;
  virtual void select_entry(int index) = 0;
};

// The platform's discovery of the serial ports present, in the order the platform gives them.
class PortScanner {
 public:
  virtual ~PortScanner() = default;
  virtual std::vector<ScannedPort> present_ports() = 0;
};

// "name(description)", cut to kPortEntryMax units.
std::u16string format_port_entry(const ScannedPort& port);

// The port name of an entry: the text before the first "(" (the whole text when there is none);
// neither trimmed nor validated.
std::u16string port_name_from_box_text(std::u16string_view box_text);

// The entries of the port box: the ports the scanner finds, then "COM1".."COM10" (kind kLegacy,
// no description), with no de-duplication. Without a scanner only the fixed names.
std::vector<ScannedPort> port_list_entries(PortScanner* scanner);

// Empties the box, adds the scanned entries and "COM1".."COM10" (no de-duplication) and selects
// entry 0.
void fill_port_list(PortBox& box, PortScanner* scanner);

// The note names this many ports, a PC's usual handful, so that it stays one line; on a PC with
// dozens (a test bench, pseudo-terminals) 'ports' lists them all.
inline constexpr std::size_t kPresentPortsNamed = 8;

// For a port that cannot be found: "ports present: " and the scanned entries (at most
// kPresentPortsNamed of them, then how many more), "no serial port is present", or empty without
// a scanner.
std::string present_ports_note(PortScanner* scanner);

}  // namespace quintrel
