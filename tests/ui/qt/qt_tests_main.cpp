// Runs one Qt Test class of the window layer, named by the first argument; the other arguments go
// to Qt Test.
#include <QApplication>
#include <QTest>
#include <cstring>
#include <vector>

#include "tests/ui/qt/qt_suites.h"

int main(int argc, char** argv) {
  using namespace quintrel::qt::test;
  QApplication application(argc, argv);
  if (argc < 2) {
    return 2;
  }
  std::vector<char*> rest{argv[0]};
  rest.insert(rest.end(), argv + 2, argv + argc);
  const int rest_count = static_cast<int>(rest.size());
  if (std::strcmp(argv[1], "MessageDialogTest") == 0) {
    MessageDialogTest suite;
    return QTest::qExec(&suite, rest_count, rest.data());
  }
  if (std::strcmp(argv[1], "IdentifierEditTest") == 0) {
    IdentifierEditTest suite;
    return QTest::qExec(&suite, rest_count, rest.data());
  }
  if (std::strcmp(argv[1], "MainWindowTest") == 0) {
    MainWindowTest suite;
    return QTest::qExec(&suite, rest_count, rest.data());
  }
  return 2;
}
