// quintrel-cli.exe's output on a Windows console whose code page is an OEM one; the bytes it
// sends through a pipe are checked by tests/windows/program-test.
#include "platform/windows/win32_console_writer.h"

#include <gtest/gtest.h>

#include <ostream>

namespace quintrel::cli {
namespace {

TEST(Win32ConsoleWriter, AConsoleShowsTheCharactersWhateverItsCodePage) {
  // A console of the test's own (Wine's needs the display scripts/test-windows provides) with a
  // Western OEM code page, through which UTF-8 bytes would show as "P├⌐riph├⌐rique".
  FreeConsole();
  ASSERT_TRUE(AllocConsole() && SetConsoleOutputCP(437));
  const HANDLE screen = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                  CONSOLE_TEXTMODE_BUFFER, nullptr);
  {
    Win32ConsoleWriter writer(screen);  // the 'é' cut between two writes comes out whole
    std::ostream(&writer) << "P\xC3\xA9riph\xC3\xA9rique s\xC3" << std::flush << "\xA9rie USB";
  }
  wchar_t cells[22] = {};
  DWORD count = 0;
  ASSERT_TRUE(ReadConsoleOutputCharacterW(screen, cells, 22, COORD{0, 0}, &count));
  EXPECT_EQ(std::wstring(cells, count), L"Périphérique série USB");
}

}  // namespace
}  // namespace quintrel::cli
