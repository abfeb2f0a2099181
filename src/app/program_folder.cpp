#include "program_folder.h"

#include <QDir>
#include <QStandardPaths>

namespace tidewell::app {

std::optional<std::filesystem::path> enterProgramFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (folder.isEmpty() || !QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
    return std::nullopt;
  }
  return std::filesystem::path(QDir(folder).absolutePath().toStdString());
}

}  // namespace tidewell::app
