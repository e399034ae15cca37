// What a port device's ids tell: its vendor and product, whether it is on USB, its serial number.
// Pure text rules, so they hold without a device at hand.
#pragma once

#include <string>
#include <string_view>

#include "ports/port_list.h"

namespace quintrel {

// The 4 hex digits after tag ("VID_") where tag starts a part of id (at its start or after "\",
// "&" or "+") and the digits end that part; in lower case, or empty when there are none.
std::string id_field(std::u16string_view id, std::u16string_view tag);

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

}  // namespace quintrel
