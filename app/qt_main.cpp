// quintrel: the Linux desktop window. Reads no command line and keeps no settings; every command
// runs on the window's thread, as the Windows dialog does.
#include <QApplication>
#include <QIcon>

#include "base/show_message.h"
#include "link/linux_port_scanner.h"
#include "link/port_list.h"
#include "link/posix_advertised_ports.h"
#include "link/posix_serial_device.h"
#include "link/serial_link.h"
#include "ui/qt/main_window.h"
#include "ui/qt/message_dialog.h"

int main(int argc, char** argv) {
  using namespace quintrel;
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

  PosixSerialBackend serial;
  install_serial_backend(&serial);
  LinuxPortScanner system_ports;
  AdvertisedPortScanner scanner(&system_ports);
  install_port_scanner(&scanner);
  qt::MessageWindowPresenter presenter;
  install_message_presenter(&presenter);

  int exit_code = 0;
  {
    qt::MainWindow window;
    QObject::connect(&window, &qt::MainWindow::quit_requested, &application,
                     [&exit_code](int code) {
                       exit_code = code;
                       QApplication::exit(code);
                     });
    window.start();
    window.show();
    QApplication::exec();
  }

  serial_link().device.reset();
  install_message_presenter(nullptr);
  install_port_scanner(nullptr);
  install_serial_backend(nullptr);
  return exit_code;
}
