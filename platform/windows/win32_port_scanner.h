// The Windows port discovery: the present devices with the serial-port interface, then those of
// the Ports setup class not among them, each with its "PortName" and its device description, in
// the order SetupAPI lists them, and what SetupAPI tells of the device: its ids, manufacturer,
// location and, for USB, its serial number and product text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/port_list.h"

namespace quintrel {

class Win32PortScanner final : public PortScanner {
 public:
  std::vector<ScannedPort> present_ports() override;
};

// What a port's first hardware id and its device instance id tell. Kind kUsb where the hardware
// id carries VID_xxxx ("USB\VID_0403&PID_6001&REV_0600", "FTDIBUS\COMPORT&VID_0403&PID_6001")
// or the device sits on a USB bus, with vid and pid in lower case where known and the serial
// number as usb_serial_number gives it; kUart for the ports of the board and of PCI cards; kOther
// for anything else (Bluetooth, virtual ports).
void apply_device_ids(std::u16string_view hardware_id, std::u16string_view instance_id,
                      ScannedPort& port);

// The serial number in a USB device instance id ("USB\VID_0403&PID_6001\A50285BI"), in
// UTF-8; empty where the last part is one Windows made up for a device without a serial number
// (those contain "&") or the id is not a USB device's.
std::string usb_serial_number(std::u16string_view instance_id);

// The problem code Windows holds for the present port device whose "PortName" is port_name, as
// Device Manager shows it ("Code 43"); 0 when that device works or none has that name.
std::uint32_t port_problem_code(std::u16string_view port_name);

// A port device the scan found, with its device instance id (one per device).
struct FoundPort {
  std::u16string instance_id;
  ScannedPort port;
};

// The list from both enumerations: each device with the COM-port interface, then each device of
// the Ports setup class not listed yet (a virtual port whose driver registers no interface), in
// the order SetupAPI gave them. A device without a "PortName", and a Ports-class device with a
// parallel port's ("LPT..."), is left out.
std::vector<ScannedPort> merge_found_ports(std::vector<FoundPort> with_interface,
                                           std::vector<FoundPort> in_ports_class);

// The problem code in a DEVPKEY_Device_ProblemCode value of this property type (documented as
// DEVPROP_TYPE_UINT32; DEVPROP_TYPE_INT32 taken as well); 0 for any other type.
std::uint32_t problem_code_from(std::uint32_t property_type, std::uint32_t value);

// Bytes of "PortName" the scanner reads; a longer value is treated as unreadable.
inline constexpr std::size_t kPortNameBytes = 512;

// A description larger than this is treated as unreadable rather than allocated.
inline constexpr std::uint32_t kDescriptionBytesMax = 64 * 1024;

// Requests that grow the description's buffer before the scanner gives up on it.
inline constexpr int kDescriptionAttemptsMax = 8;

// Text stored in a registry string of size bytes: up to its first NUL, or the whole buffer when
// the value fills it without one. An odd last byte is not part of any character.
std::u16string registry_text(const std::uint8_t* bytes, std::size_t size);

// One request for a device property into buffer (null on the first request) of size bytes.
// Returns true on success; on failure sets error and, for ERROR_INSUFFICIENT_BUFFER, the byte
// count the property needs.
using PropertyRequest = std::function<bool(std::uint8_t* buffer, std::uint32_t size,
                                           std::uint32_t& required, std::uint32_t& error)>;

// Asks with no buffer first; while the answer is "buffer too small", asks again with a
// zero-filled buffer of twice the required size (passing the required size, so a terminator
// always follows the text). Empty when the property cannot be read.
std::u16string read_growing_property(const PropertyRequest& request);

}  // namespace quintrel
