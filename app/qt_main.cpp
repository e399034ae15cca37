// quintrel: the Linux desktop window. Takes no options but --help and --version and keeps no
// settings; every command runs on the window's thread, as the Windows dialog does.
#include <QApplication>
#include <QIcon>

#include <cstdlib>
#include <iostream>
#include <string_view>

#include "platform/platform_services.h"
#include "platform/standard_streams.h"
#include "ui/qt/main_window.h"
#include "ui/qt/message_dialog.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: quintrel [--help | --version]\n"
    "Opens the window that reads, edits and saves the CAN bitrate and identifier of the device on\n"
    "a serial port. quintrel-cli does the same from the command line, without a display.\n";

bool has_value(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Qt ends the process with an abort and a hint to reinstall when it finds no display; say what
// is missing instead. A platform chosen explicitly (offscreen, vnc, ...) is left to Qt.
bool display_expected_but_missing() {
  return !has_value("QT_QPA_PLATFORM") && !has_value("DISPLAY") && !has_value("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quintrel;
  // Before the port is opened: a serial port on descriptor 2 would take Qt's warnings.
  hold_standard_descriptors();
  for (int at = 1; at < argc; ++at) {
    const std::string_view option = argv[at];
    if (option == "--help" || option == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (option == "--version") {
      std::cout << "quintrel " QUINTREL_VERSION "\n";
      return 0;
    }
    std::cerr << "quintrel: unknown option " << option << "\n" << kUsage;
    return 2;
  }
  if (display_expected_but_missing()) {
    std::cerr << "quintrel: no display to open the window on (neither DISPLAY nor "
                 "WAYLAND_DISPLAY is set); quintrel-cli works without one\n";
    return 1;
  }
  // Only the program's name reaches Qt: the program takes no options, not even Qt's own.
  int qt_argc = argc > 0 ? 1 : 0;
  QApplication application(qt_argc, argv);
  // Only the window's closing ends the program, once it has closed the port.
  QApplication::setQuitOnLastWindowClosed(false);
  // The installed desktop entry and icon (quintrel.desktop, icon "quintrel" of the hicolor theme)
  // name the window in the task bar; run from a build tree, the theme has no such icon and the
  // window keeps the default one.
  QGuiApplication::setDesktopFileName(QStringLiteral("quintrel"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quintrel")));

  PlatformServices platform;
  qt::MessageWindowPresenter presenter;

  int exit_code = 0;
  {
    qt::MainWindow window(
        {platform.serial_backend(), &platform.port_scanner(), platform.clock(), presenter});
    QObject::connect(&window, &qt::MainWindow::quit_requested, &application,
                     [&exit_code](int code) {
                       exit_code = code;
                       QApplication::exit(code);
                     });
    window.start();
    window.show();
    QApplication::exec();
  }
  return exit_code;
}
