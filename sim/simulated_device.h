// One simulated device on its pty, driven by the simulator's event loop: it never waits itself,
// it tells the loop what it waits for (bytes from the host, or the time of its next reply piece).
// Like a device that answers one command at a time, it takes no bytes while a reply is under way.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/linux/linux_pty.h"
#include "sim/device_model.h"
#include "sim/fault_layer.h"
#include "sim/frame_log.h"
#include "sim/reply_sender.h"

namespace quintrel::sim {

struct DeviceSetup {
  int number = 1;         // seeds the random faults; named in the reply lines
  bool numbered = false;  // one of several: "#N " starts its log lines, "N " its pty lines
  std::string symlink;    // a symbolic link to the pty; empty: none
  std::string state_file;
  DeviceValues start;  // the state file's values when it has them
  FaultSchedule faults;
  bool pace = false;
  bool log_replies = false;  // a "reply" line for every reply, with the fault it played

  std::string tag() const { return numbered ? "#" + std::to_string(number) + " " : ""; }
};

class SimulatedDevice {
 public:
  SimulatedDevice(DeviceSetup setup, std::ostream& out, std::ostream& err, FrameLog& log);
  ~SimulatedDevice();
  SimulatedDevice(const SimulatedDevice&) = delete;
  SimulatedDevice& operator=(const SimulatedDevice&) = delete;

  // Creates the pty, points the link at it and prints its path; false after saying why.
  bool plug_in();
  // The descriptor to wait on for the host's bytes; -1 while the device takes none.
  int input_fd() const;
  // When the device has something to do without new bytes; nullopt: never.
  std::optional<std::chrono::nanoseconds> deadline() const;
  // Takes what the host wrote; call when input_fd() is readable.
  void read_input();
  // Answers the bytes taken and sends what is due; false when an unplugged pty cannot come back.
  bool service();

 private:
  // Sends the pieces of the reply that are due; true once the whole reply is out.
  bool send_due();
  void start_reply(ReplyPlan plan);
  // Keeps a commit's values in the state file; false (said on err and in the log) when it cannot.
  bool store(const DeviceValues& values);
  bool replug();

  DeviceSetup setup_;
  std::string tag_;
  std::ostream& out_;
  std::ostream& err_;
  FrameLog& log_;
  DeviceModel model_;
  FaultLayer layer_;
  Pty pty_;
  std::vector<std::uint8_t> input_;
  std::size_t input_taken_ = 0;
  std::optional<ReplySender> sender_;
  std::optional<std::chrono::nanoseconds> resting_until_;
};

}  // namespace quintrel::sim
