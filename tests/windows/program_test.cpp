// Quintrel.exe driven from outside, under Wine on a virtual display, against the simulated device
// on COM3: the window's controls are read and pressed with window messages, and every message
// window is found, read (text, title, icon) and answered the way an operator would. The tests
// run in order, as one operator session; tests/windows/program-test starts the simulated device and
// this driver.
//
// Environment: QUINTREL_PROGRAM (Quintrel.exe), QUINTREL_SIM_LOG (the device's frame log),
// QUINTREL_SHOTS (folder for the screenshots), all as Windows paths.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/windows/top_down_bitmap.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(20);

std::wstring environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

std::wstring text_of(HWND window) {
  wchar_t text[512] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000,
                      nullptr);
  return text;
}

std::vector<std::wstring> combo_entries(HWND combo) {
  std::vector<std::wstring> entries;
  const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    wchar_t entry[300] = {};
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(entry));
    entries.emplace_back(entry);
  }
  return entries;
}

// The frames the device received, as payload text, from its log ("rx 02 63 ..." lines).
std::vector<std::string> frames_received(const std::wstring& log_path, std::size_t from_line) {
  std::ifstream log{std::filesystem::path(log_path)};
  std::string line;
  std::vector<std::uint8_t> bytes;
  for (std::size_t number = 0; std::getline(log, line); ++number) {
    const std::size_t rx = line.find("] rx");
    if (number < from_line || rx == std::string::npos) {
      continue;
    }
    std::istringstream hex(line.substr(rx + 4));
    unsigned value = 0;
    while (hex >> std::hex >> value) {
      bytes.push_back(static_cast<std::uint8_t>(value));
    }
  }
  std::vector<std::string> payloads;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    if (bytes[at] != 0x02) {
      continue;
    }
    std::string payload;
    std::size_t end = at + 1;
    while (end < bytes.size() && bytes[end] != 0x03) {
      payload.push_back(static_cast<char>(bytes[end++]));
    }
    payloads.push_back(payload);
    at = end + 1;  // skip the check byte
  }
  return payloads;
}

std::size_t log_lines(const std::wstring& log_path) {
  std::ifstream log{std::filesystem::path(log_path)};
  std::size_t lines = 0;
  for (std::string line; std::getline(log, line);) {
    ++lines;
  }
  return lines;
}

// The window's pixels as the screen shows them (top-down BGRA), and its size.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<RGBQUAD> pixels;
  RGBQUAD at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

Picture capture(HWND window) {
  Picture picture;
  RECT frame{};
  GetWindowRect(window, &frame);
  picture.width = frame.right - frame.left;
  picture.height = frame.bottom - frame.top;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO format{};
  format.bmiHeader = quintrel::top_down_32bit(picture.width, picture.height);
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, picture.width, picture.height, screen, frame.left, frame.top, SRCCOPY);
  GdiFlush();
  const auto* first = static_cast<const RGBQUAD*>(bits);
  picture.pixels.assign(first, first + static_cast<std::size_t>(picture.width) * picture.height);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

// Saves the picture as a 32-bit BMP; the test script turns it into a PNG.
void save_bmp(const Picture& picture, const std::wstring& path) {
  const auto image_bytes = static_cast<DWORD>(picture.pixels.size() * sizeof(RGBQUAD));
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + image_bytes;
  const BITMAPINFOHEADER info = quintrel::top_down_32bit(picture.width, picture.height);
  std::ofstream out{std::filesystem::path(path), std::ios::binary};
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info), sizeof(info));
  out.write(reinterpret_cast<const char*>(picture.pixels.data()), image_bytes);
}

// The most common strong colour inside the message window's icon square (10,10, 40 x 40 of its
// client area): the system error icon is mostly red, the warning icon mostly yellow.
std::string icon_colour(HWND message_window) {
  POINT client{0, 0};
  ClientToScreen(message_window, &client);
  RECT frame{};
  GetWindowRect(message_window, &frame);
  const Picture picture = capture(message_window);
  int red = 0;
  int yellow = 0;
  for (int y = 10; y < 50; ++y) {
    for (int x = 10; x < 50; ++x) {
      const RGBQUAD p = picture.at(client.x - frame.left + x, client.y - frame.top + y);
      if (p.rgbRed > 150 && p.rgbGreen < 100 && p.rgbBlue < 100) {
        ++red;
      } else if (p.rgbRed > 170 && p.rgbGreen > 140 && p.rgbBlue < 100) {
        ++yellow;
      }
    }
  }
  if (red > 100 && red > yellow) {
    return "red";
  }
  if (yellow > 100 && yellow > red) {
    return "yellow";
  }
  return "none";
}

struct SeenMessage {
  std::wstring text;
  std::wstring title;
  std::string icon;
};

class ProgramTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::wstring program = environment(L"QUINTREL_PROGRAM");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring command = L"\"" + program + L"\"";
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process_)) {
      return;
    }
    CloseHandle(process_.hThread);
    const auto give_up = Clock::now() + kPatience;
    while (main_ == nullptr && Clock::now() < give_up) {
      main_ = FindWindowW(L"#32770", L"Quintrel   2.0");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  static void TearDownTestSuite() {
    if (process_.hProcess != nullptr) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
      }
      CloseHandle(process_.hProcess);
    }
  }

  void SetUp() override { ASSERT_NE(main_, nullptr) << "Quintrel.exe did not show its window"; }

  static HWND control(int id) { return GetDlgItem(main_, id); }
  static bool enabled(int id) { return IsWindowEnabled(control(id)) != FALSE; }

  // The message window the program shows, owned by the main window, once it is visible.
  static HWND message_window() {
    struct Search {
      HWND owner;
      HWND found;
    } search{main_, nullptr};
    EnumWindows(
        [](HWND window, LPARAM context) {
          auto* s = reinterpret_cast<Search*>(context);
          wchar_t kind[16] = {};
          GetClassNameW(window, kind, 16);
          if (GetWindow(window, GW_OWNER) == s->owner && std::wstring(kind) == L"#32770" &&
              IsWindowVisible(window)) {
            s->found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // Presses a button of the main window the way a click does; the program handles it on its own.
  static void press(int id) {
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(id)));
  }

  // Waits until a message window is shown (and returns it), or the program has finished the
  // command it was given and shows none (null).
  static HWND next_message() {
    const auto give_up = Clock::now() + kPatience;
    while (Clock::now() < give_up) {
      if (const HWND message = message_window(); message != nullptr) {
        // Painted once, so its text, title and icon are in place.
        SendMessageTimeoutW(message, WM_NULL, 0, 0, SMTO_BLOCK, 5000, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return message;
      }
      // The window thread answers only once it is back in a message loop: its own, when the
      // command is done, or a message window's.
      DWORD_PTR ignored = 0;
      if (SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_BLOCK, 50, &ignored) != 0 &&
          message_window() == nullptr) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (message_window() == nullptr) {
          return nullptr;
        }
      }
    }
    return nullptr;
  }

  // Reads the message window and answers it: OK with the button, dismiss with the Esc key.
  static SeenMessage answer(HWND message, bool ok) {
    SeenMessage seen{text_of(GetDlgItem(message, 1005)), text_of(message), icon_colour(message)};
    if (ok) {
      PostMessageW(message, WM_COMMAND, MAKEWPARAM(1006, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(message, 1006)));
    } else {
      PostMessageW(GetDlgItem(message, 1006), WM_KEYDOWN, VK_ESCAPE, 0);
    }
    const auto give_up = Clock::now() + kPatience;
    while (IsWindow(message) && Clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(IsWindow(message)) << "the message window stayed after its answer";
    return seen;
  }

  static void screenshot(HWND window, const wchar_t* name) {
    const std::wstring folder = environment(L"QUINTREL_SHOTS");
    if (!folder.empty()) {
      save_bmp(capture(window), folder + L"\\" + name + L".bmp");
    }
  }

  static std::size_t log_mark() { return log_lines(environment(L"QUINTREL_SIM_LOG")); }
  static std::vector<std::string> frames_since(std::size_t mark) {
    return frames_received(environment(L"QUINTREL_SIM_LOG"), mark);
  }

  static inline PROCESS_INFORMATION process_{};
  static inline HWND main_ = nullptr;
};

TEST_F(ProgramTest, StartsClosedWithTheFixedPortsTheBitratesAndIdentifierZero) {
  EXPECT_EQ(text_of(main_), L"Quintrel   2.0");
  const std::vector<std::wstring> ports = combo_entries(control(1001));
  ASSERT_GE(ports.size(), 10u);
  for (int number = 1; number <= 10; ++number) {
    EXPECT_EQ(ports[ports.size() - 11 + number], L"COM" + std::to_wstring(number));
  }
  EXPECT_EQ(text_of(control(1001)), ports.front()) << "entry 0 is selected";
  EXPECT_EQ(
      combo_entries(control(1008)),
      (std::vector<std::wstring>{L"CAN Invalid", L"125kbps", L"250kbps", L"500kbps", L"1Mbps"}));
  EXPECT_EQ(SendMessageW(control(1008), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(text_of(control(1012)), L"0");
  EXPECT_TRUE(enabled(1002));
  EXPECT_FALSE(enabled(1003));
  EXPECT_TRUE(enabled(1004));
  EXPECT_TRUE(enabled(1001));
  GUITHREADINFO gui{};
  gui.cbSize = sizeof(gui);
  GetGUIThreadInfo(GetWindowThreadProcessId(main_, nullptr), &gui);
  EXPECT_TRUE(gui.hwndFocus == control(1001) || IsChild(control(1001), gui.hwndFocus))
      << "the focus starts in the port box";
  EXPECT_EQ(SendMessageW(main_, WM_GETICON, ICON_BIG, 0), 0) << "the window sets no icon";
  EXPECT_EQ(frames_since(0), std::vector<std::string>{}) << "start-up sends nothing";
}

TEST_F(ProgramTest, ComOpenOnCom3ReadsBitrateAndIdentifier) {
  SetWindowTextW(control(1001), L"COM3");
  const std::size_t mark = log_mark();
  press(1002);
  EXPECT_EQ(next_message(), nullptr) << "the open and the reading succeed silently";
  EXPECT_EQ(frames_since(mark), (std::vector<std::string>{"ccebr", "ccidr"}));
  EXPECT_EQ(SendMessageW(control(1008), CB_GETCURSEL, 0, 0), 3) << "the device's 500kbps";
  EXPECT_EQ(text_of(control(1012)), L"2A5") << "the device's identifier";
  EXPECT_FALSE(enabled(1001));
  EXPECT_FALSE(enabled(1002));
  EXPECT_TRUE(enabled(1003));
  EXPECT_FALSE(enabled(1004));
  screenshot(main_, L"main-window");
}

TEST_F(ProgramTest, TypingGoesThroughTheIdentifierFilter) {
  const HWND field = control(1012);
  SendMessageW(field, EM_SETSEL, 0, -1);
  for (const wchar_t typed : {L'1', L'a', L'g', L'b', L'f'}) {
    SendMessageW(field, WM_CHAR, typed, 1);
  }
  // The selection is reset to 0 by the first digit; 'g' is no digit; 1ABF would exceed 7FF.
  EXPECT_EQ(text_of(field), L"1AB");
}

TEST_F(ProgramTest, SaveAnsweredWithOkWritesBitrateIdentifierAndCommits) {
  SendMessageW(control(1008), CB_SETCURSEL, 2, 0);
  const std::size_t mark = log_mark();
  press(1007);
  const HWND question = next_message();
  ASSERT_NE(question, nullptr);
  const SeenMessage asked = answer(question, true);
  EXPECT_EQ(asked.text, L"Save settings ?");
  EXPECT_EQ(asked.title, L"");
  EXPECT_EQ(asked.icon, "yellow") << "the warning icon";
  const HWND notice = next_message();
  ASSERT_NE(notice, nullptr);
  screenshot(notice, L"message-window");
  const SeenMessage saved = answer(notice, true);
  EXPECT_EQ(saved.text, L"Saved !!!");
  EXPECT_EQ(saved.icon, "yellow");
  EXPECT_EQ(frames_since(mark), (std::vector<std::string>{"cceb 2", "ccid 1AB", "ppw3916"}));
}

TEST_F(ProgramTest, SaveAnsweredWithEscSendsNothing) {
  const std::size_t mark = log_mark();
  press(1007);
  const HWND question = next_message();
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(answer(question, false).text, L"Save settings ?");
  EXPECT_EQ(next_message(), nullptr);
  EXPECT_EQ(frames_since(mark), std::vector<std::string>{});
}

TEST_F(ProgramTest, BuzzOffSendsItsCommandSilently) {
  const std::size_t mark = log_mark();
  press(1011);
  EXPECT_EQ(next_message(), nullptr);
  EXPECT_EQ(frames_since(mark), std::vector<std::string>{"bzoff"});
}

TEST_F(ProgramTest, ComCloseReturnsThePortControls) {
  press(1003);
  EXPECT_EQ(next_message(), nullptr);
  EXPECT_TRUE(enabled(1001));
  EXPECT_TRUE(enabled(1002));
  EXPECT_FALSE(enabled(1003));
  EXPECT_TRUE(enabled(1004));
}

TEST_F(ProgramTest, ComOpenOnAMissingPortShowsBothMessagesAndChangesNothing) {
  SetWindowTextW(control(1001), L"COM9(no such device)");
  const std::size_t mark = log_mark();
  press(1002);
  const HWND first = next_message();
  ASSERT_NE(first, nullptr);
  const SeenMessage cannot_open = answer(first, true);
  EXPECT_EQ(cannot_open.text, L"Communication port can not be opened");
  EXPECT_EQ(cannot_open.title, L"");
  EXPECT_EQ(cannot_open.icon, "red") << "the error icon";
  const HWND second = next_message();
  ASSERT_NE(second, nullptr);
  const SeenMessage not_open = answer(second, true);
  EXPECT_EQ(not_open.text, L"Communication port not open");
  EXPECT_EQ(not_open.title, L"error");
  EXPECT_EQ(not_open.icon, "red");
  EXPECT_EQ(next_message(), nullptr) << "nothing more after the two messages";
  EXPECT_TRUE(enabled(1002));
  EXPECT_FALSE(enabled(1003));
  EXPECT_EQ(frames_since(mark), std::vector<std::string>{});
}

TEST_F(ProgramTest, ClosingWithThePortOpenEndsTheProgramWithExitCodeZero) {
  SetWindowTextW(control(1001), L"COM3");
  press(1002);
  ASSERT_EQ(next_message(), nullptr);
  ASSERT_TRUE(enabled(1003)) << "the port is open";
  PostMessageW(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_EQ(WaitForSingleObject(process_.hProcess, 20000), WAIT_OBJECT_0);
  DWORD exit_code = 99;
  GetExitCodeProcess(process_.hProcess, &exit_code);
  EXPECT_EQ(exit_code, 0u);
  // The port is free again: it can be opened and the device still answers.
  const HANDLE port = CreateFileW(L"\\\\.\\COM3", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(port, INVALID_HANDLE_VALUE);
  CloseHandle(port);
}

}  // namespace
