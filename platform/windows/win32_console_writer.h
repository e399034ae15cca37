// quintrel-cli.exe's output on Windows. The program writes UTF-8; a console would take those
// bytes through its code page (the OEM one, such as 437, 850 or 932), so a console is given the
// text as UTF-16 with WriteConsoleW, and a file or pipe the UTF-8 bytes unchanged (so --json
// output stays UTF-8).
#pragma once

#include <windows.h>

#include <streambuf>
#include <string>
#include <string_view>

namespace quintrel::cli {

// A stream buffer over one handle, which it does not own. Text goes out at every line end and
// flush, and a character cut between two writes waits for its remaining bytes.
class Win32ConsoleWriter final : public std::streambuf {
 public:
  explicit Win32ConsoleWriter(HANDLE handle);
  ~Win32ConsoleWriter() override;
  Win32ConsoleWriter(const Win32ConsoleWriter&) = delete;
  Win32ConsoleWriter& operator=(const Win32ConsoleWriter&) = delete;

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  bool write_out(std::string_view utf8);

  HANDLE handle_;
  bool console_;
  std::string pending_;
};

// For its life, std::cout and std::cerr write through Win32ConsoleWriters over the standard
// output and error handles; afterwards they get their own buffers back.
class Win32ConsoleStreams {
 public:
  Win32ConsoleStreams();
  ~Win32ConsoleStreams();
  Win32ConsoleStreams(const Win32ConsoleStreams&) = delete;
  Win32ConsoleStreams& operator=(const Win32ConsoleStreams&) = delete;

 private:
  Win32ConsoleWriter out_;
  Win32ConsoleWriter err_;
  std::streambuf* previous_out_;
  std::streambuf* previous_err_;
};

}  // namespace quintrel::cli
