// The simulated device's faults: how a reply frame leaves the device when a test asks it to
// misbehave, and which replies misbehave.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sim/device_model.h"

namespace quintrel::sim {

enum class FaultMode {
  kNone,
  kNoAnswer,   // the frame is taken, nothing comes back
  kBadCheck,   // the check byte is inverted
  kNoise,      // bytes that are not STX come before the reply
  kLateStx,    // the whole reply comes kLateMs after the command
  kLateEtx,    // STX and body at once, ETX and check byte kLateMs later
  kLateCheck,  // all but the check byte at once, the check byte kLateMs later
  kEmpty,      // a reply without payload: 02 03 03
  kLongBody,   // a body of kLongBodySize bytes, more than a 200-byte reply buffer holds
  kDrip,       // one byte at a time, kDripGapMs apart
  kUnplug,     // STX and half the body, then the pty is closed like an unplugged adapter
  kWrongId,    // after a commit, the next identifier read answers with kWrongIdBit flipped
  kSlow,       // STX, then body and ETX, then the check byte, each kSlowMs after the one before
  kNgCommit,   // the commit is answered NG and stores nothing
  kTwice,      // every reply goes out again, a copy kTwiceGapMs after it
  kGarbageId,  // identifier reads answer kGarbageIdentifiers in turn, none with a hex digit
  kNg,         // every write, commit and buzzer-off is answered NG and changes nothing
};

inline constexpr std::uint32_t kLateMs = 1200;  // beyond a reply stage's 1000 ms
inline constexpr std::uint32_t kDripGapMs = 20;
// Inside a reply stage's 1000 ms with room for a loaded machine: each stage of the host's wait is
// used to nine tenths.
inline constexpr std::uint32_t kSlowMs = 900;
inline constexpr std::size_t kLongBodySize = 250;
inline constexpr std::uint32_t kWrongIdBit = 0x1;  // stays within the 11 bits of an identifier
inline constexpr std::uint8_t kNoiseBytes[] = {0xFF, 0x00, 0x41, 0x03, 0x0D, 0x0A};
// The copy comes after a host has purged its input for the next command (about a millisecond
// after the reply) and before that command's last piece goes out (three pieces, each after a
// 10 ms pause): a host that trusts its purge alone takes the copy for the next command's reply.
inline constexpr std::uint32_t kTwiceGapMs = 15;
// A prefix without digits, a sign, and a NUL where the digits should start.
inline constexpr std::string_view kGarbageIdentifiers[] = {"0x", "-1", {"\0", 1}};

// "none", "no-answer", "bad-check", "noise", "late-stx", "late-etx", "late-check", "empty",
// "long-body", "drip", "unplug", "wrong-id", "slow", "ng-commit", "twice", "garbage-id", "ng".
std::string_view fault_name(FaultMode mode);
std::optional<FaultMode> fault_from_name(std::string_view name);
std::vector<std::string_view> fault_names();

// One piece of a reply: sent after waiting delay_ms since the previous piece.
struct ReplyStep {
  std::uint32_t delay_ms = 0;
  std::vector<std::uint8_t> bytes;
};

struct ReplyPlan {
  FaultMode mode = FaultMode::kNone;
  std::vector<ReplyStep> steps;  // empty: no answer
  bool unplug_after = false;     // close the pty once the steps are sent
  int number = 0;                // which reply of the device, from 1 (set by FaultLayer)
  std::string command;           // the command payload it answers (set by FaultLayer)
};

// How the well-formed reply frame (STX payload ETX check) leaves the device under the fault. Under
// kWrongId, kNgCommit, kGarbageId and kNg it goes out whole: FaultLayer has put the fault's payload
// into it.
ReplyPlan plan_reply(FaultMode mode, const std::vector<std::uint8_t>& frame);

// Replies number from 1; replies first .. first+count-1 get the fault (count 0: every reply from
// first on), the others go out whole. A random schedule draws the fault of each of those replies.
struct FaultSchedule {
  FaultMode mode = FaultMode::kNone;
  int first = 1;
  int count = 0;
  bool random = false;
  double rate = 0.1;  // random: the share of the replies that get a fault
  std::uint64_t seed = 1;

  bool covers(int reply_number) const;
  FaultMode mode_for(int reply_number) const;
};

// Random faults: with probability rate one of the faults other than none, wrong-id and slow, each
// as likely as the others. The draws depend on the seed and the device number alone, so a run can
// be replayed and its log held against what a host saw.
class RandomFaults {
 public:
  RandomFaults(double rate, std::uint64_t seed, int device);

  FaultMode next();

 private:
  std::mt19937_64 engine_;
  double rate_;
};

// The device model with its faults: bytes from the host in, reply plans out. A kWrongId schedule
// acts on the first identifier read after each commit, kNgCommit on commits, kGarbageId on
// identifier reads, kNg on the commands that change the device; their other replies go out as
// kNone.
class FaultLayer {
 public:
  // Device K's garbage identifiers start with form K, so that a bench of devices shows each.
  FaultLayer(DeviceModel& model, FaultSchedule schedule, int device = 1)
      : model_(model),
        schedule_(schedule),
        random_(schedule.rate, schedule.seed, device),
        garbage_sent_(static_cast<std::size_t>(device - 1)) {}

  // A plan once the byte completed a command frame that the device answers.
  std::optional<ReplyPlan> feed(std::uint8_t byte);

 private:
  // The reply payload for the command under the fault.
  std::string payload(FaultMode mode, const std::string& command);

  DeviceModel& model_;
  FaultSchedule schedule_;
  RandomFaults random_;
  int replies_ = 0;
  bool committed_ = false;  // a commit came, and no identifier read since
  std::size_t garbage_sent_;
};

}  // namespace quintrel::sim
