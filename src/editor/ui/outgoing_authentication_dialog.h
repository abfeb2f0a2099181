#pragma once
// frmOutgoingAuthentication: how the program logs on to the SMTP server, either with the
// incoming account or with its own account and password. Modal, opened by the server settings
// panel; writes only through ServerSettingsEditor when confirmed.
#include <QDialog>

#include "editor/server_settings_editor.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace tidewell::editor::ui {

class OutgoingAuthenticationDialog : public QDialog {
 public:
  OutgoingAuthenticationDialog(ServerSettingsEditor& editor, QWidget* parent);

 private:
  void showChoice(bool useIncoming);
  void confirm();
  void cancel();

  ServerSettingsEditor& m_editor;
  QRadioButton* m_option1;
  QRadioButton* m_option2;
  QLineEdit* m_text1;
  QLineEdit* m_text2;
  QCheckBox* m_check1;
  QLabel* m_accountLabel;
  QLabel* m_passwordLabel;
};

}  // namespace tidewell::editor::ui
