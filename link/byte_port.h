// The byte port: the three things the frame exchange needs from an open serial port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quintrel {

struct WriteOutcome {
  bool ok = false;
  std::size_t written = 0;  // may be zero, or fewer than asked
};

class BytePort {
 public:
  virtual ~BytePort() = default;

  // Discards whatever waits in the output and input queues.
  virtual void purge() = 0;

  // Discards whatever waits in the input queue only; bytes already written still go out.
  virtual void discard_input() = 0;

  // Writes up to bytes.size() bytes, reporting success and how many went out.
  virtual WriteOutcome write(std::span<const std::uint8_t> bytes) = 0;

  // Reads one byte, returning within a few milliseconds (about 2) when none arrives. A read error
  // counts as "no byte" and still waits, so a caller that does not ask gone() never spins.
  virtual bool read_byte(std::uint8_t& byte) = 0;

  // True once a read or write has shown that the port went away for good (adapter unplugged, the
  // far end of a pty closed): nothing will come, so an exchange ends at once instead of waiting
  // out its time-out. A port that cannot tell stays false.
  virtual bool gone() const { return false; }
};

}  // namespace quintrel
