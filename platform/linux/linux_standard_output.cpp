// Standard descriptors held open, and standard output written with its failures' causes kept.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "platform/linux/linux_standard_output.h"
#include "platform/standard_streams.h"

namespace quintrel {

namespace {

std::string cause_of(int error) {
  switch (error) {
    case ENOSPC:
      return "no space left on the device";
    case EDQUOT:
      return "the disk quota is used up";
    case EBADF:
      return "it is closed";
    case EPIPE:
      return "the program reading it has ended";
    case EIO:
      return "the terminal or device it went to has gone (input/output error)";
    default:
      return std::strerror(error);
  }
}

}  // namespace

void hold_standard_descriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      // The lowest free number is this one; should /dev/null be missing, nothing else can help.
      ::open("/dev/null", O_RDONLY);
    }
  }
}

CheckedOutputBuffer::CheckedOutputBuffer(int fd) : fd_(fd) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

CheckedOutputBuffer::~CheckedOutputBuffer() {
  write_out();
}

CheckedOutputBuffer::int_type CheckedOutputBuffer::overflow(int_type ch) {
  if (!write_out()) {
    return traits_type::eof();
  }
  if (traits_type::eq_int_type(ch, traits_type::eof())) {
    return traits_type::not_eof(ch);
  }
  const char text = traits_type::to_char_type(ch);
  return xsputn(&text, 1) == 1 ? ch : traits_type::eof();
}

std::streamsize CheckedOutputBuffer::xsputn(const char* text, std::streamsize count) {
  const std::streamsize taken = std::streambuf::xsputn(text, count);
  if (std::memchr(text, '\n', static_cast<std::size_t>(taken)) != nullptr && !write_out()) {
    return 0;
  }
  return taken;
}

int CheckedOutputBuffer::sync() {
  return write_out() ? 0 : -1;
}

// Writes what the buffer holds. Once a write failed the rest is dropped: the output is broken
// and the first cause is the one to tell.
bool CheckedOutputBuffer::write_out() {
  const char* from = pbase();
  while (first_error_ == 0 && from < pptr()) {
    const ssize_t written = ::write(fd_, from, static_cast<std::size_t>(pptr() - from));
    if (written > 0) {
      from += written;
    } else if (written < 0 && errno != EINTR) {
      first_error_ = errno;
    } else if (written == 0) {
      first_error_ = EIO;
    }
  }
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return first_error_ == 0;
}

CheckedStandardOutput::CheckedStandardOutput()
    : buffer_(STDOUT_FILENO), previous_(std::cout.rdbuf(&buffer_)) {
  ::signal(SIGPIPE, SIG_IGN);
}

CheckedStandardOutput::~CheckedStandardOutput() {
  std::cout.flush();
  std::cout.rdbuf(previous_);
}

std::optional<OutputFailure> output_failure(std::ostream& out) {
  out.flush();
  if (const auto* checked = dynamic_cast<const CheckedOutputBuffer*>(out.rdbuf());
      checked != nullptr && checked->first_error() != 0) {
    return OutputFailure{checked->first_error() == EPIPE, cause_of(checked->first_error())};
  }
  if (out.good()) {
    return std::nullopt;
  }
  return OutputFailure{false, "it refused what was written"};
}

}  // namespace quintrel
