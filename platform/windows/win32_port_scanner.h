// The Windows port discovery: the present devices with the serial-port interface, then those of
// the Ports setup class not among them, each with its "PortName" and its device description, in
// the order SetupAPI lists them, and what SetupAPI tells of the device: its ids, manufacturer,
// location and, for USB, its serial number and product text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ports/port_list.h"

namespace quintrel {

class Win32PortScanner final : public PortScanner {
 public:
  std::vector<ScannedPort> present_ports() override;
};

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

}  // namespace quintrel
