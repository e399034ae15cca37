#include "sim/simulated_device.h"

#include <nlohmann/json.hpp>

#include "sim/state_file.h"

namespace quintrel::sim {

namespace {

constexpr std::size_t kReadSize = 256;
constexpr std::chrono::milliseconds kRestAfterReadError{10};

}  // namespace

SimulatedDevice::SimulatedDevice(DeviceSetup setup, std::ostream& out, std::ostream& err,
                                 FrameLog& log)
    : setup_(std::move(setup)),
      tag_(setup_.tag()),
      out_(out),
      err_(err),
      log_(log),
      model_(setup_.start),
      layer_(model_, setup_.faults, setup_.number) {
  input_.reserve(kReadSize);
  if (!setup_.state_file.empty()) {
    model_.store_commits_with([this](const DeviceValues& values) { return store(values); });
  }
}

SimulatedDevice::~SimulatedDevice() {
  if (!setup_.symlink.empty() && pty_.master >= 0) {
    remove_symlink_to(setup_.symlink, pty_.path);
  }
  close_pty(pty_);
}

bool SimulatedDevice::plug_in() {
  Result<void> plugged = open_pty(pty_);
  if (plugged && !setup_.symlink.empty()) {
    plugged = point_symlink(setup_.symlink, pty_.path);
  }
  if (!plugged) {
    err_ << "quintrel-sim: " << plugged.error() << '\n';
    return false;
  }
  out_ << (setup_.numbered ? std::to_string(setup_.number) + " " : "") << pty_.path << '\n'
       << std::flush;
  log_.note(tag_ + "pty " + pty_.path + (setup_.symlink.empty() ? "" : ", link " + setup_.symlink));
  return true;
}

int SimulatedDevice::input_fd() const {
  const bool taking = !sender_ && input_taken_ == input_.size() && !resting_until_;
  return taking ? pty_.master : -1;
}

std::optional<std::chrono::nanoseconds> SimulatedDevice::deadline() const {
  if (sender_) {
    if (const std::optional<ReplySender::Piece> piece = sender_->next()) {
      return piece->due;
    }
  }
  return resting_until_;
}

void SimulatedDevice::read_input() {
  input_.resize(kReadSize);
  const Result<std::size_t> count = read_from_pty(pty_, input_);
  input_.resize(count ? *count : 0);
  input_taken_ = 0;
  if (!count) {
    resting_until_ = monotonic_now() + kRestAfterReadError;  // not expected; never spin
  } else if (*count > 0) {
    log_.bytes(tag_ + "rx", input_, monotonic_now());
  }
}

bool SimulatedDevice::service() {
  if (resting_until_ && *resting_until_ <= monotonic_now()) {
    resting_until_.reset();
  }
  for (;;) {
    if (sender_) {
      if (!send_due()) {
        return true;
      }
      const bool unplug = sender_->plan().unplug_after;
      sender_.reset();
      if (unplug) {
        return replug();
      }
    } else if (input_taken_ == input_.size()) {
      return true;
    } else if (std::optional<ReplyPlan> plan = layer_.feed(input_[input_taken_++])) {
      start_reply(std::move(*plan));
    }
  }
}

bool SimulatedDevice::send_due() {
  while (const std::optional<ReplySender::Piece> piece = sender_->next()) {
    const std::chrono::nanoseconds now = monotonic_now();
    if (piece->due > now) {
      return false;
    }
    if (const Result<void> written = write_to_pty(pty_, piece->bytes); !written) {
      log_.note(tag_ + "tx lost: " + written.error());
      sender_->abandon();
      return true;
    }
    sender_->sent(now);
    // Stamped with the moment the step's last byte went to the pty, so a host's trace can tell
    // how long that byte took to reach it.
    if (piece->last_of_step) {
      log_.bytes(tag_ + "tx", piece->step, now);
    }
  }
  return true;
}

void SimulatedDevice::start_reply(ReplyPlan plan) {
  if (setup_.log_replies) {
    const nlohmann::ordered_json line = {{"device", setup_.number},
                                         {"reply", plan.number},
                                         {"command", plan.command},
                                         {"fault", std::string(fault_name(plan.mode))}};
    // Escaped to ASCII, so that a command with odd bytes still makes one parsable line.
    log_.note(tag_ + "reply " +
              line.dump(-1, ' ', true, nlohmann::ordered_json::error_handler_t::replace));
  } else if (plan.mode != FaultMode::kNone) {
    log_.note(tag_ + "fault " + std::string(fault_name(plan.mode)));
  }
  model_.forget_commands();
  sender_.emplace(std::move(plan), setup_.pace, monotonic_now());
}

bool SimulatedDevice::store(const DeviceValues& values) {
  const Result<void> saved = save_state(setup_.state_file, values);
  if (saved) {
    log_.note(tag_ + "state saved to " + setup_.state_file);
    return true;
  }
  // Like a device whose memory cannot be written: the host hears NG, not a commit that is lost.
  err_ << "quintrel-sim: " << saved.error()
       << "; the commit is answered NG until the file can be written\n";
  log_.note(tag_ + "state NOT saved, the commit is answered NG: " + saved.error());
  return false;
}

bool SimulatedDevice::replug() {
  // The rest of what was read went with the old pty.
  input_.clear();
  input_taken_ = 0;
  close_pty(pty_);
  log_.note(tag_ + "unplugged: pty closed");
  return plug_in();
}

}  // namespace quintrel::sim
