// The desktop program's Qt tests: one class per area, chosen by the first argument (all when
// none is given), on whatever platform QT_QPA_PLATFORM names (offscreen under ctest).

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "app_fixture.h"

int main(int argc, char** argv) {
  // The windows' ciphers must never reach a keyring of the machine running the tests.
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tidewell");
  const auto& classes = tidewell::testing::testClasses();
  std::string only = argc > 1 && argv[1][0] != '-' ? argv[1] : "";
  if (!only.empty() && !classes.count(only)) {
    std::fprintf(stderr, "no test class %s\n", only.c_str());
    return 1;
  }
  int failures = 0;
  for (const auto& [name, make] : classes) {
    if (!only.empty() && only != name) continue;
    std::unique_ptr<QObject> test = make();
    // The class name is left out of the arguments QTest reads.
    QStringList args{QString::fromLocal8Bit(argv[0])};
    for (int i = only.empty() ? 1 : 2; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    failures += QTest::qExec(test.get(), args);
  }
  return failures == 0 ? 0 : 1;
}
