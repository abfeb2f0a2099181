// tidewell: the desktop program. It takes no arguments: the program folder and the profile to
// open come from the user's application data folder and its settings file.

#include <QApplication>
#include <QMessageBox>

#include "main_window.h"
#include "program_folder.h"
#include "window_rules.h"

int main(int argc, char** argv) {
  // The resources sit in a static library, whose unreferenced initialisers the linker drops.
  Q_INIT_RESOURCE(tidewell);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tidewell");
  QApplication::setApplicationVersion("3.3");
  QApplication::setDesktopFileName("tidewell");
  QApplication::setWindowIcon(QIcon(":/tidewell/tidewell.png"));

  std::optional<std::filesystem::path> folder = tidewell::app::enterProgramFolder();
  if (!folder) {
    QMessageBox::critical(nullptr, QString::fromStdString(tidewell::app::programCaption()),
                          QObject::tr("The program folder could not be created."));
    return 1;
  }
  tidewell::app::MainWindow window(*folder);
  if (!window.Form_Load()) return 0;
  window.show();
  return QApplication::exec();
}
