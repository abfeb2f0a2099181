#include "program_folder.h"

#include <QDir>
#include <QStandardPaths>

#include "store/error.h"
#include "store/private_files.h"

namespace tidewell::app {

std::optional<std::filesystem::path> enterProgramFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (folder.isEmpty()) return std::nullopt;
  try {
    store::createPrivateFolders(folder.toStdString());
  } catch (const store::TrapError&) {
    return std::nullopt;
  }
  if (!QDir::setCurrent(folder)) return std::nullopt;
  return std::filesystem::path(QDir(folder).absolutePath().toStdString());
}

}  // namespace tidewell::app
