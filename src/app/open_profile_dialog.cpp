#include "open_profile_dialog.h"

#include <QDir>
#include <QFileDialog>

namespace tidewell::app {

bool s_load_dat_file(QWidget* parent, store::SettingsFile& settings,
                     const std::filesystem::path& startFolder) {
  QFileDialog dialog(parent, QStringLiteral("Select Profile"),
                     QString::fromStdString(startFolder.string()),
                     QStringLiteral("DAT Files (*.dat)"));
  dialog.setObjectName("dlgOpenProfile");
  // The dialog is Qt's own so that it looks the same everywhere and can be driven in tests.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  bool remembered = false;
  if (chosen) {
    remembered = settings.s_load_dat_file(dialog.selectedFiles().constFirst().toStdString());
  }
  QDir::setCurrent(QString::fromStdString(startFolder.string()));
  return remembered;
}

}  // namespace tidewell::app
