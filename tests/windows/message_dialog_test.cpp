// The message window as Windows shows it: found and answered from a second thread, the way an
// operator would, while show_message waits on the test's thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "base/message_texts.h"
#include "tests/windows/top_down_bitmap.h"
#include "ui/show_message.h"
#include "ui/win32/win32_instance.h"
#include "ui/win32/win32_message_dialog.h"

namespace quintrel {
namespace {

enum class Colour { kRed, kYellow, kBlack, kOther };

const char* colour_name(Colour colour) {
  switch (colour) {
    case Colour::kRed:
      return "red";
    case Colour::kYellow:
      return "yellow";
    case Colour::kBlack:
      return "black";
    default:
      return "other";
  }
}

// The colour most of the icon's opaque pixels have, and its width in pixels.
struct IconLook {
  Colour main_colour = Colour::kOther;
  int width = 0;
};

IconLook look_at(HICON icon) {
  IconLook look;
  ICONINFO info{};
  if (icon == nullptr || !GetIconInfo(icon, &info)) {
    return look;
  }
  BITMAP bitmap{};
  GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
  look.width = bitmap.bmWidth;
  BITMAPINFO format{};
  format.bmiHeader = top_down_32bit(bitmap.bmWidth, bitmap.bmHeight);
  std::vector<RGBQUAD> pixels(static_cast<std::size_t>(bitmap.bmWidth) * bitmap.bmHeight);
  const HDC dc = GetDC(nullptr);
  GetDIBits(dc, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  int red = 0;
  int yellow = 0;
  int black = 0;
  for (const RGBQUAD& p : pixels) {
    if (p.rgbReserved < 128) {
      continue;
    }
    if (p.rgbRed > 150 && p.rgbGreen < 100 && p.rgbBlue < 100) {
      ++red;
    } else if (p.rgbRed > 170 && p.rgbGreen > 140 && p.rgbBlue < 100) {
      ++yellow;
    } else if (p.rgbRed < 60 && p.rgbGreen < 60 && p.rgbBlue < 60) {
      ++black;
    }
  }
  if (red > yellow && red > black) {
    look.main_colour = Colour::kRed;
  } else if (yellow > red && yellow > black) {
    look.main_colour = Colour::kYellow;
  } else if (black > 0) {
    look.main_colour = Colour::kBlack;
  }
  return look;
}

// What the operator saw in the message window.
struct Seen {
  bool found = false;
  std::wstring title;
  std::wstring text;
  IconLook icon;
  POINT client_origin{};  // on the screen
  HWND focus = nullptr;
  HWND ok_button = nullptr;
  bool answer_ignored = false;
};

std::wstring window_text(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

// How the operator answers.
enum class Answer { kOkCommand, kEscCommand, kCloseBox, kEnterKey, kEscKey };

class MessageDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_program_instance(GetModuleHandleW(nullptr));
    owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120, 90, 500,
                             300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner_, nullptr);
  }

  void TearDown() override { DestroyWindow(owner_); }

  // Shows the message and, from another thread, waits for its window, looks at it and answers.
  int show_and_answer(std::int32_t kind, const char16_t* text, const char16_t* title,
                      Answer answer) {
    seen_ = Seen{};
    std::atomic<bool> done{false};
    const DWORD shower = GetCurrentThreadId();
    std::thread operator_thread([&] {
      const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      HWND dialog = nullptr;
      while (dialog == nullptr && !done && std::chrono::steady_clock::now() < give_up) {
        EnumThreadWindows(
            shower,
            [](HWND window, LPARAM found) {
              wchar_t kind_name[16] = {};
              GetClassNameW(window, kind_name, 16);
              if (std::wstring(kind_name) == L"#32770" && IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(found) = window;
                return FALSE;
              }
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&dialog));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      if (dialog == nullptr) {
        return;
      }
      seen_.found = true;
      seen_.title = window_text(dialog);
      seen_.text = window_text(GetDlgItem(dialog, 1005));
      seen_.icon = look_at(reinterpret_cast<HICON>(GetWindowLongPtrW(dialog, DWLP_USER)));
      POINT client_origin{0, 0};
      ClientToScreen(dialog, &client_origin);
      seen_.client_origin = client_origin;
      GUITHREADINFO gui{};
      gui.cbSize = sizeof(gui);
      GetGUIThreadInfo(shower, &gui);
      seen_.focus = gui.hwndFocus;
      seen_.ok_button = GetDlgItem(dialog, 1006);
      // Keys go to the OK button, where the dialog manager turns them into commands.
      switch (answer) {
        case Answer::kOkCommand:
          PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(1006, BN_CLICKED), 0);
          break;
        case Answer::kEscCommand:
          PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
          break;
        case Answer::kCloseBox:
          PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
          break;
        case Answer::kEnterKey:
          PostMessageW(seen_.ok_button, WM_KEYDOWN, VK_RETURN, 0);
          break;
        case Answer::kEscKey:
          PostMessageW(seen_.ok_button, WM_KEYDOWN, VK_ESCAPE, 0);
          break;
      }
      // An answer that did not end the window must fail the test, not hang it.
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!done && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      if (!done) {
        seen_.answer_ignored = true;
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
      }
    });
    const int result = show_message(presenter_, kind, owner_, text, title);
    done = true;
    operator_thread.join();
    return result;
  }

  Win32MessagePresenter presenter_;
  HWND owner_ = nullptr;
  Seen seen_;
};

TEST_F(MessageDialogTest, ShowsTextTitleAndTheIconOfTheKind) {
  struct Case {
    std::int32_t kind;
    Colour colour;
  };
  const Case cases[] = {
      {0, Colour::kRed},            // system error icon
      {0x200, Colour::kYellow},     // system warning icon
      {0x300, Colour::kRed},        // code 3 is not in the table: error icon
      {256 << 8, Colour::kYellow},  // program icon 105, the warning triangle
      {512 << 8, Colour::kRed},     // program icon 106, the red disc
      {1024 << 8, Colour::kBlack},  // program icon 107, the exclamation mark
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind 0x" << std::hex << c.kind);
    const int result =
        show_and_answer(c.kind, messages::kReplyTimeout, messages::kErrorTitle, Answer::kOkCommand);
    ASSERT_TRUE(seen_.found);
    EXPECT_EQ(result, 1006);
    EXPECT_EQ(seen_.text, L"Response reception timeout");
    EXPECT_EQ(seen_.title, L"error");
    EXPECT_STREQ(colour_name(seen_.icon.main_colour), colour_name(c.colour));
    EXPECT_EQ(seen_.icon.width, 40) << "the icon is loaded at the size it is drawn (96 DPI)";
  }
}

TEST_F(MessageDialogTest, OkAndEnterGive1006EscAndTheCloseBoxGive2) {
  struct Case {
    Answer answer;
    int result;
    const char* name;
  };
  const Case cases[] = {
      {Answer::kOkCommand, 1006, "OK button"}, {Answer::kEnterKey, 1006, "Enter"},
      {Answer::kEscCommand, 2, "Esc command"}, {Answer::kEscKey, 2, "Esc key"},
      {Answer::kCloseBox, 2, "close box"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(show_and_answer(kKindWarning, messages::kSaveQuestion, messages::kNoTitle, c.answer),
              c.result);
    ASSERT_TRUE(seen_.found);
    EXPECT_FALSE(seen_.answer_ignored);
    EXPECT_EQ(seen_.focus, seen_.ok_button) << "the focus starts on OK";
    EXPECT_EQ(seen_.title, L"") << "an empty title gives an empty caption";
    EXPECT_EQ(seen_.text, L"Save settings ?");
  }
}

TEST_F(MessageDialogTest, SitsAtTheTopLeftOfItsOwnersClientArea) {
  show_and_answer(kKindError, messages::kPortNotOpen, messages::kErrorTitle, Answer::kOkCommand);
  ASSERT_TRUE(seen_.found);
  POINT owner_origin{0, 0};
  ClientToScreen(owner_, &owner_origin);
  EXPECT_EQ(seen_.client_origin.x, owner_origin.x);
  EXPECT_EQ(seen_.client_origin.y, owner_origin.y);
}

TEST(MessageIconLoading, EveryCodeOfTheTableLoadsAnIcon) {
  store_program_instance(GetModuleHandleW(nullptr));
  for (const std::int32_t code : {0, 2, 3, 4, 8, 16, 32, 256, 512, 1024, -1}) {
    SCOPED_TRACE(code);
    const HICON icon = load_message_icon(code, 40);
    EXPECT_NE(icon, nullptr);
    DestroyIcon(icon);
  }
}

}  // namespace
}  // namespace quintrel
