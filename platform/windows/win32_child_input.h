// A child's standard input, handed over without waiting for the child to read it. A write to an
// anonymous pipe returns only when all of it is in the pipe, and CreatePipe's buffer size "is
// only a suggestion", so a child that does not read its request would hold up the runner and
// every other port with it. Anonymous pipes cannot be written overlapped; a named pipe of one
// instance whose only client (this process's writing end) connects at once can.
#pragma once

#include <windows.h>

#include <string>

#include "base/result.h"
#include "platform/windows/win32_handle.h"

namespace quintrel::cli {

class ChildInput {
 public:
  ChildInput() = default;
  // A write still pending is cancelled and its end waited for (the buffer and the OVERLAPPED
  // must outlive it), then the pipe is closed.
  ~ChildInput();
  ChildInput(const ChildInput&) = delete;
  ChildInput& operator=(const ChildInput&) = delete;

  // Makes the pipe named name (unique in this session): its inheritable read end for the child,
  // which the caller closes once the child has it, and the writing end kept here.
  Result<Handle> open(const std::wstring& name);

  // Starts writing bytes; the pipe is closed, and the child reads end of input, once all of it
  // is written. A child that ended early makes the write fail, and says on its error output that
  // its request was short.
  void write(std::string bytes);

  // Whether the write still runs; closes the pipe once it has finished.
  bool pending();

 private:
  void close();

  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  HANDLE event_ = nullptr;
  OVERLAPPED overlapped_{};
  std::string bytes_;
  bool pending_ = false;
};

}  // namespace quintrel::cli
