// The device's end of a pseudo-terminal, and the symbolic link that names it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/result.h"

namespace quintrel::sim {

// The simulator keeps the terminal side open as well, so that the master never reports a hang-up
// while no host is connected, and so that the raw settings stay. The master does not block: a
// host that stops reading must not stall the other devices of the process.
struct Pty {
  int master = -1;
  int terminal = -1;
  std::string path;
};

// False with the reason when the pty cannot be made; pty is left closed then.
Result<void> open_pty(Pty& pty);
void close_pty(Pty& pty);

// Whether a link to a pty may be made at path: only in a directory that no one else may rewrite
// (untrusted_directory_reason), and only when nothing is there or a symbolic link to "/dev/pts/N"
// that an earlier run left: one whose pty is gone, or belongs to another user (its number was
// reused). A link to a pty of the user's that still exists is another program's live port,
// likely another simulator's. Anything else may hold someone's data or device. Each refusal comes
// with the reason and the way out.
Result<void> may_take_symlink(const std::string& path);

// Points link at target when may_take_symlink allows it (or it already does), replacing an old link
// in one step.
Result<void> point_symlink(const std::string& symlink_path, const std::string& target);
// Removes link when it still points at target (another run may have taken the name since).
void remove_symlink_to(const std::string& symlink_path, const std::string& target);

// What the host wrote, at most buffer's size: the count read, 0 when nothing is there (or a signal
// came); a Failure with the system's reason when the read fails or finds the end of the input.
Result<std::size_t> read_from_pty(const Pty& pty, std::span<std::uint8_t> buffer);
// Writes all bytes; a Failure with the system's reason when the pty takes no more (its buffer is
// full) or fails.
Result<void> write_to_pty(const Pty& pty, std::span<const std::uint8_t> bytes);

}  // namespace quintrel::sim
