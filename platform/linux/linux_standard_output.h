// quintrel-cli's standard output on Linux: std::cout writes straight to descriptor 1 through a
// buffer that keeps the cause (errno) of the first write that failed, for output_failure. Text
// goes out at every line end, so that results and messages on standard error keep their order.
#pragma once

#include <array>
#include <streambuf>

namespace quintrel {

class CheckedOutputBuffer final : public std::streambuf {
 public:
  explicit CheckedOutputBuffer(int fd);
  ~CheckedOutputBuffer() override;
  CheckedOutputBuffer(const CheckedOutputBuffer&) = delete;
  CheckedOutputBuffer& operator=(const CheckedOutputBuffer&) = delete;

  // The errno of the first failed write; 0 while none failed.
  int first_error() const { return first_error_; }

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  bool write_out();

  int fd_;
  std::array<char, 4096> buffer_{};
  int first_error_ = 0;
};

// For its life, std::cout writes through a CheckedOutputBuffer over descriptor 1; afterwards it
// gets its own buffer back. SIGPIPE is ignored from then on, so that a reader that has gone is a
// failed write the program can tell of (what a save did, say) rather than its silent end.
class CheckedStandardOutput {
 public:
  CheckedStandardOutput();
  ~CheckedStandardOutput();
  CheckedStandardOutput(const CheckedStandardOutput&) = delete;
  CheckedStandardOutput& operator=(const CheckedStandardOutput&) = delete;

 private:
  CheckedOutputBuffer buffer_;
  std::streambuf* previous_;
};

}  // namespace quintrel
