// quintrel: the Linux desktop window. Reads no command line and keeps no settings; every command
// runs on the window's thread, as the Windows dialog does.
#include <QApplication>
#include <QIcon>

#include "platform/platform_services.h"
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

  PlatformServices platform;
  qt::MessageWindowPresenter presenter;
  Services services = platform.services();
  services.message_presenter = &presenter;
  const ServicesScope scope(services);

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
  return exit_code;
}
