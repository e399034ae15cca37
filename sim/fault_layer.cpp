#include "sim/fault_layer.h"

#include <array>

#include "link/command_frame.h"

namespace quintrel::sim {

namespace {

struct NamedMode {
  FaultMode mode;
  std::string_view name;
};

constexpr std::array<NamedMode, 17> kModes = {{
    {FaultMode::kNone, "none"},
    {FaultMode::kNoAnswer, "no-answer"},
    {FaultMode::kBadCheck, "bad-check"},
    {FaultMode::kNoise, "noise"},
    {FaultMode::kLateStx, "late-stx"},
    {FaultMode::kLateEtx, "late-etx"},
    {FaultMode::kLateCheck, "late-check"},
    {FaultMode::kEmpty, "empty"},
    {FaultMode::kLongBody, "long-body"},
    {FaultMode::kDrip, "drip"},
    {FaultMode::kUnplug, "unplug"},
    {FaultMode::kWrongId, "wrong-id"},
    {FaultMode::kSlow, "slow"},
    {FaultMode::kNgCommit, "ng-commit"},
    {FaultMode::kTwice, "twice"},
    {FaultMode::kGarbageId, "garbage-id"},
    {FaultMode::kNg, "ng"},
}};

// Random draws pick among the reply shapes, none to unplug: wrong-id acts on a single reply after
// a commit, slow is a valid reply, and the modes after it came later: with them all left out, a
// seed keeps playing the faults it always played.
constexpr std::size_t kDrawnModes = 11;

using Bytes = std::vector<std::uint8_t>;

Bytes part(const Bytes& frame, std::size_t from, std::size_t to) {
  return Bytes(frame.begin() + static_cast<std::ptrdiff_t>(from),
               frame.begin() + static_cast<std::ptrdiff_t>(to));
}

// The same reply's payload padded with spaces to kLongBodySize bytes, framed correctly.
Bytes long_frame(const Bytes& frame) {
  Bytes payload = part(frame, 1, frame.size() - 2);
  payload.resize(kLongBodySize, ' ');
  return build_frame(payload);
}

// The commands that change what the device holds.
bool changes_the_device(const std::string& command) {
  return command.starts_with("cceb ") || command.starts_with("ccid ") ||
         command == kCommitCommand || command == "bzoff";
}

// Whether the mode acts on this command; the others go out as kNone.
bool acts_on(FaultMode mode, const std::string& command, bool read_after_commit) {
  switch (mode) {
    case FaultMode::kWrongId:
      return read_after_commit;
    case FaultMode::kNgCommit:
      return command == kCommitCommand;
    case FaultMode::kGarbageId:
      return command == kIdentifierRead;
    case FaultMode::kNg:
      return changes_the_device(command);
    default:
      return true;
  }
}

}  // namespace

std::string_view fault_name(FaultMode mode) {
  for (const NamedMode& named : kModes) {
    if (named.mode == mode) {
      return named.name;
    }
  }
  return "none";
}

std::optional<FaultMode> fault_from_name(std::string_view name) {
  for (const NamedMode& named : kModes) {
    if (named.name == name) {
      return named.mode;
    }
  }
  return std::nullopt;
}

std::vector<std::string_view> fault_names() {
  std::vector<std::string_view> names;
  for (const NamedMode& named : kModes) {
    names.push_back(named.name);
  }
  return names;
}

ReplyPlan plan_reply(FaultMode mode, const Bytes& frame) {
  ReplyPlan plan;
  plan.mode = mode;
  const std::size_t etx_at = frame.size() - 2;
  switch (mode) {
    case FaultMode::kNone:
    case FaultMode::kWrongId:
    case FaultMode::kNgCommit:
    case FaultMode::kGarbageId:
    case FaultMode::kNg:
      plan.steps = {{0, frame}};
      break;
    case FaultMode::kTwice:
      plan.steps = {{0, frame}, {kTwiceGapMs, frame}};
      break;
    case FaultMode::kNoAnswer:
      break;
    case FaultMode::kBadCheck: {
      Bytes bad = frame;
      bad.back() = static_cast<std::uint8_t>(~bad.back());
      plan.steps = {{0, bad}};
      break;
    }
    case FaultMode::kNoise: {
      Bytes noisy(std::begin(kNoiseBytes), std::end(kNoiseBytes));
      noisy.insert(noisy.end(), frame.begin(), frame.end());
      plan.steps = {{0, noisy}};
      break;
    }
    case FaultMode::kLateStx:
      plan.steps = {{kLateMs, frame}};
      break;
    case FaultMode::kLateEtx:
      plan.steps = {{0, part(frame, 0, etx_at)}, {kLateMs, part(frame, etx_at, frame.size())}};
      break;
    case FaultMode::kLateCheck:
      plan.steps = {{0, part(frame, 0, frame.size() - 1)},
                    {kLateMs, part(frame, frame.size() - 1, frame.size())}};
      break;
    case FaultMode::kEmpty:
      plan.steps = {{0, build_frame({})}};
      break;
    case FaultMode::kLongBody:
      plan.steps = {{0, long_frame(frame)}};
      break;
    case FaultMode::kDrip:
      for (std::size_t at = 0; at < frame.size(); ++at) {
        plan.steps.push_back({at == 0 ? 0 : kDripGapMs, {frame[at]}});
      }
      break;
    case FaultMode::kSlow:
      plan.steps = {{kSlowMs, part(frame, 0, 1)},
                    {kSlowMs, part(frame, 1, frame.size() - 1)},
                    {kSlowMs, part(frame, frame.size() - 1, frame.size())}};
      break;
    case FaultMode::kUnplug: {
      const std::size_t body = etx_at - 1;
      plan.steps = {{0, part(frame, 0, 1 + body / 2)}};
      plan.unplug_after = true;
      break;
    }
  }
  return plan;
}

bool FaultSchedule::covers(int reply_number) const {
  const bool from_first = reply_number >= first;
  const bool within_count = count == 0 || reply_number < first + count;
  return from_first && within_count;
}

FaultMode FaultSchedule::mode_for(int reply_number) const {
  return covers(reply_number) ? mode : FaultMode::kNone;
}

RandomFaults::RandomFaults(double rate, std::uint64_t seed, int device) : rate_(rate) {
  std::seed_seq sequence{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32),
                         static_cast<std::uint32_t>(device)};
  engine_.seed(sequence);
}

static_assert(kModes[0].mode == FaultMode::kNone, "the draw below skips the first entry");
static_assert(kModes[kDrawnModes].mode == FaultMode::kWrongId, "the draw below ends before it");

FaultMode RandomFaults::next() {
  // Mapped by hand: the library's distributions may differ between versions and platforms, the
  // engine's numbers do not.
  const double draw = static_cast<double>(engine_() >> 11) * 0x1.0p-53;
  if (draw >= rate_) {
    return FaultMode::kNone;
  }
  return kModes[1 + engine_() % (kDrawnModes - 1)].mode;
}

std::optional<ReplyPlan> FaultLayer::feed(std::uint8_t byte) {
  const std::optional<std::string> command = model_.take(byte);
  if (!command) {
    return std::nullopt;
  }
  const int number = ++replies_;
  FaultMode mode = !schedule_.covers(number) ? FaultMode::kNone
                   : schedule_.random        ? random_.next()
                                             : schedule_.mode;
  const bool read_after_commit = committed_ && *command == kIdentifierRead;
  if (*command == kCommitCommand || *command == kIdentifierRead) {
    committed_ = *command == kCommitCommand;
  }
  if (!acts_on(mode, *command, read_after_commit)) {
    mode = FaultMode::kNone;
  }
  ReplyPlan plan = plan_reply(mode, build_text_frame(payload(mode, *command)));
  plan.number = number;
  plan.command = *command;
  return plan;
}

std::string FaultLayer::payload(FaultMode mode, const std::string& command) {
  switch (mode) {
    case FaultMode::kWrongId:
      return identifier_text(model_.live().identifier ^ kWrongIdBit);
    case FaultMode::kNgCommit:
    case FaultMode::kNg:
      return kRefused;  // the model never sees the command: nothing changes
    case FaultMode::kGarbageId:
      return std::string(kGarbageIdentifiers[garbage_sent_++ % std::size(kGarbageIdentifiers)]);
    default:
      return model_.answer(command);
  }
}

}  // namespace quintrel::sim
