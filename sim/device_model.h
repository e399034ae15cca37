// The simulated device's behaviour, apart from any port: it takes the bytes a host writes, and
// for every complete frame with a correct check byte it produces one reply frame. It keeps a
// bitrate code and an identifier, each live (what the commands set) and committed (what the
// commit command stores).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/command_frame.h"

namespace quintrel::sim {

inline constexpr char kCommitCommand[] = "ppw3916";
inline constexpr char kIdentifierRead[] = "ccidr";
inline constexpr char kAccepted[] = "OK";
inline constexpr char kRefused[] = "NG";

// The identifier as the device answers kIdentifierRead: hexadecimal, upper case, no leading zeros.
std::string identifier_text(std::uint32_t identifier);

struct DeviceValues {
  int bitrate_code = 3;
  std::uint32_t identifier = 0x7FF;

  bool operator==(const DeviceValues&) const = default;
};

class DeviceModel {
 public:
  explicit DeviceModel(DeviceValues start = {}) : live_(start), committed_(start) {}

  // Where a commit stores the values: false when it cannot, and the device refuses the commit.
  using CommitStore = std::function<bool(const DeviceValues&)>;

  // Feeds one byte from the host; returns the reply frame when the byte completed a command frame.
  // Frames with a wrong check byte get no answer, like noise on the line.
  std::optional<std::vector<std::uint8_t>> feed(std::uint8_t byte);
  // Feeds one byte; returns the command payload when the byte completed a frame, unanswered yet.
  std::optional<std::string> take(std::uint8_t byte);

  // The reply payload for one command payload.
  std::string answer(const std::string& command);

  // Commits are kept by store from now on; without one they always succeed.
  void store_commits_with(CommitStore store) { store_ = std::move(store); }

  const DeviceValues& live() const { return live_; }
  const DeviceValues& committed() const { return committed_; }
  // The command payloads received whole, in order, since the last forget_commands().
  const std::vector<std::string>& commands() const { return commands_; }
  // A device that runs for hours keeps its memory flat by forgetting what it has answered.
  void forget_commands() { commands_.clear(); }

 private:
  DeviceValues live_;
  DeviceValues committed_;
  FrameReader reader_;
  std::vector<std::string> commands_;
  CommitStore store_;
};

}  // namespace quintrel::sim
