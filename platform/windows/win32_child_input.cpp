#include "platform/windows/win32_child_input.h"

#include "platform/windows/win32_system_failure.h"

namespace quintrel::cli {

namespace {

// A request is a line of JSON of a few hundred bytes; the pipe's buffer is only a suggestion
// either way.
constexpr DWORD kInputBufferBytes = 4096;

}  // namespace

ChildInput::~ChildInput() {
  if (pending_) {
    // "The operation being canceled is completed with one of three statuses": wait for it.
    CancelIoEx(pipe_, &overlapped_);
    DWORD written = 0;
    GetOverlappedResult(pipe_, &overlapped_, &written, TRUE);
  }
  close();
  if (event_ != nullptr) {
    CloseHandle(event_);
  }
}

Result<Handle> ChildInput::open(const std::wstring& name) {
  // The child's end is the server's, made first by this process and of one instance, so nobody
  // else can take the name before it or connect after this process's end; as with CreatePipe,
  // the reading end is the server and the writing end the client, so bytes written before the
  // writer closes stay readable.
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle child_end(
      CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_FIRST_PIPE_INSTANCE,
                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                       1, 0, kInputBufferBytes, 0, &inherit));
  if (!child_end) {
    return system_failure("CreateNamedPipeW");
  }
  event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (event_ == nullptr) {
    return system_failure("CreateEventW");
  }
  pipe_ = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                      nullptr);
  if (pipe_ == INVALID_HANDLE_VALUE) {
    return system_failure("CreateFileW");
  }
  return child_end;
}

void ChildInput::write(std::string bytes) {
  bytes_ = std::move(bytes);
  if (bytes_.empty()) {
    close();
    return;
  }
  overlapped_ = OVERLAPPED{};
  overlapped_.hEvent = event_;
  // The count written is read from the OVERLAPPED, never from a pointer given here ("Use NULL
  // for this parameter if this is an asynchronous operation").
  if (WriteFile(pipe_, bytes_.data(), static_cast<DWORD>(bytes_.size()), nullptr, &overlapped_) ||
      GetLastError() != ERROR_IO_PENDING) {
    close();
    return;
  }
  pending_ = true;
}

bool ChildInput::pending() {
  if (pending_ && HasOverlappedIoCompleted(&overlapped_)) {
    DWORD written = 0;
    GetOverlappedResult(pipe_, &overlapped_, &written, FALSE);
    pending_ = false;
    close();
  }
  return pending_;
}

void ChildInput::close() {
  if (pipe_ != INVALID_HANDLE_VALUE) {
    CloseHandle(pipe_);
    pipe_ = INVALID_HANDLE_VALUE;
  }
}

}  // namespace quintrel::cli
