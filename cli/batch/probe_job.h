// Asking one port whether a device answers on it: the bitrate question (read_bitrate), which
// changes nothing in the device, and what came back. A probing run asks every candidate port at
// once, each in its own child process (a port-job with a probe request), which prints probe_json.
#pragma once

#include <string>

#include "cli/cli_services.h"
#include "cli/port_json.h"
#include "device/bitrate_code.h"
#include "link/serial_link.h"

namespace quintrel::cli {

enum class ProbeOutcome {
  kDevice,       // a reply frame with a bitrate
  kSilent,       // no reply
  kGarbled,      // a reply with a wrong check byte, too long, or with an empty payload
  kBusy,         // another program holds the port
  kMissing,      // no such port
  kUnavailable,  // the port cannot be opened (permissions, not a serial port, ...)
};

struct ProbeFinding {
  ProbeOutcome outcome = ProbeOutcome::kUnavailable;
  BitrateCode bitrate = kBitrateInvalid;  // kDevice
  std::string reason;                     // in words, for every other outcome
};

// Opens the port on the link, asks for the bitrate and closes it again.
ProbeFinding probe_port(SerialLink& link, const std::string& port);

// "probe" ("device", "silent", "garbled", "busy", "missing", "unavailable"), with "bitrate" and
// "bitrate_code" for a device and "reason" otherwise.
JsonObject probe_json(const ProbeFinding& finding);

// A probe request's job: prints probe_json of the port on one line; exits 0 for a device.
int run_probe_job(const std::string& port, const CliServices& services, std::ostream& out);

}  // namespace quintrel::cli
