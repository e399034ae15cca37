#include "platform/windows/win32_console_writer.h"

#include <algorithm>
#include <iostream>

#include "base/utf8_text.h"

namespace quintrel::cli {

namespace {

// WriteConsoleW takes its text through a heap of limited size; pieces of this many UTF-16 units
// stay well inside it.
constexpr std::size_t kConsolePieceUnits = 4096;

// The length of the longest start of the bytes that does not end inside a UTF-8 sequence.
std::size_t whole_characters(std::string_view bytes) {
  const std::size_t look_back = std::min<std::size_t>(bytes.size(), 3);
  for (std::size_t back = 1; back <= look_back; ++back) {
    const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
    if ((byte & 0xC0) == 0x80) {
      continue;  // a continuation byte: its lead byte is further back
    }
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? bytes.size() - back : bytes.size();
  }
  return bytes.size();
}

bool write_console(HANDLE handle, std::u16string_view text) {
  while (!text.empty()) {
    std::size_t units = std::min(text.size(), kConsolePieceUnits);
    if (units < text.size() && units > 1 && text[units - 1] >= 0xD800 && text[units - 1] < 0xDC00) {
      --units;  // a surrogate pair stays in one piece
    }
    DWORD written = 0;
    if (!WriteConsoleW(handle, text.data(), static_cast<DWORD>(units), &written, nullptr) ||
        written == 0) {
      return false;
    }
    text.remove_prefix(std::min<std::size_t>(written, text.size()));
  }
  return true;
}

bool write_bytes(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written == 0) {
      return false;
    }
    bytes.remove_prefix(std::min<std::size_t>(written, bytes.size()));
  }
  return true;
}

}  // namespace

Win32ConsoleWriter::Win32ConsoleWriter(HANDLE handle) : handle_(handle) {
  // GetConsoleMode succeeds only on a console; a redirected handle is a file or a pipe.
  DWORD mode = 0;
  console_ = GetConsoleMode(handle, &mode) != FALSE;
}

Win32ConsoleWriter::~Win32ConsoleWriter() {
  write_out(pending_);  // the end of the output, a cut character included
}

Win32ConsoleWriter::int_type Win32ConsoleWriter::overflow(int_type ch) {
  if (traits_type::eq_int_type(ch, traits_type::eof())) {
    return traits_type::not_eof(ch);
  }
  const char text = traits_type::to_char_type(ch);
  return xsputn(&text, 1) == 1 ? ch : traits_type::eof();
}

std::streamsize Win32ConsoleWriter::xsputn(const char* text, std::streamsize count) {
  const std::string_view added(text, static_cast<std::size_t>(count));
  pending_.append(added);
  if (added.find('\n') != std::string_view::npos && sync() != 0) {
    return 0;
  }
  return count;
}

int Win32ConsoleWriter::sync() {
  const std::size_t whole = whole_characters(pending_);
  const bool ok = write_out(std::string_view(pending_).substr(0, whole));
  pending_.erase(0, whole);
  return ok ? 0 : -1;
}

bool Win32ConsoleWriter::write_out(std::string_view utf8) {
  if (console_) {
    const std::u16string text = utf16_from_utf8(utf8);
    return write_console(handle_, std::u16string_view(text));
  }
  return write_bytes(handle_, utf8);
}

Win32ConsoleStreams::Win32ConsoleStreams()
    : out_(GetStdHandle(STD_OUTPUT_HANDLE)),
      err_(GetStdHandle(STD_ERROR_HANDLE)),
      previous_out_(std::cout.rdbuf(&out_)),
      previous_err_(std::cerr.rdbuf(&err_)) {}

Win32ConsoleStreams::~Win32ConsoleStreams() {
  std::cout.flush();
  std::cerr.flush();
  std::cout.rdbuf(previous_out_);
  std::cerr.rdbuf(previous_err_);
}

}  // namespace quintrel::cli
