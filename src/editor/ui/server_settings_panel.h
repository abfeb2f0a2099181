#pragma once
// The server settings node's panel: names, addresses, passwords, ports, SSL and authentication
// switches, check interval and server time-out, each written as it is left or clicked and kept
// in step with the in-memory server settings. One per main window; user-interface thread.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <memory>

#include "editor/field_checks.h"
#include "editor/server_settings_editor.h"
#include "editor/ui/focus_edits.h"
#include "editor/ui/oauth_sign_in_box.h"
#include "editor/ui/property_panel.h"
#include "editor/ui/whole_number_fields.h"

class QFormLayout;
class QGroupBox;

namespace tidewell::editor::ui {

class ServerSettingsPanel : public PropertyPanel {
 public:
  ServerSettingsPanel(const PanelServices& services, QWidget* parent);
  ~ServerSettingsPanel() override { m_focus->stop(); }

  void showBlock(int index) override;
  QString kindWord() const override { return "system"; }
  QStringList missingRequiredFields() const override;
  void commitPendingEdit() override { m_focus->commitFocused(); }

 private:
  QWidget* buildGeneralTab();
  QWidget* buildServerTab();
  QWidget* buildAdvancedTab();
  QWidget* buildSignInTab();
  void connectFields();
  ServerSettingsEditor& editor();
  void renameWhileTyping(const QString& text);
  void openOutgoingAuthentication();
  void useDefaults();
  // Shows the fields of the incoming protocol chosen (IMAP's folder, mark and port, or POP3's).
  void showIncoming(bool imap);
  // A changed value the cycle could not use: the box says why, the field gets its stored text
  // back and keeps the focus. True when refused.
  bool refused(QLineEdit* field, const QString& oldText,
               const std::optional<FieldRefusal>& refusal);
  void trustCertificate(const std::string& account);

  std::unique_ptr<ServerSettingsEditor> m_editor;
  FocusEdits* m_focus;
  QGroupBox* m_frame;
  QLineEdit* m_title;
  QLineEdit* m_email;
  QLineEdit* m_reply;
  QComboBox* m_mins;
  QComboBox* m_incoming;
  QLabel* m_pop3Label;
  QLineEdit* m_pop3;
  QLineEdit* m_imapFolder;
  QLineEdit* m_imapDone;
  QFormLayout* m_serverForm;
  QLineEdit* m_smtp;
  QLineEdit* m_account;
  QLineEdit* m_pass;
  QCheckBox* m_popSpa;
  QCheckBox* m_authentication;
  QPushButton* m_settingsButton;
  QCheckBox* m_delete;
  QCheckBox* m_verp;
  QLineEdit* m_popPort;
  QLineEdit* m_imapPort;
  QFormLayout* m_portForm;
  QLineEdit* m_smtpPort;
  QCheckBox* m_popSsl;
  QCheckBox* m_smtpSsl;
  QSlider* m_slider;
  QLabel* m_timeoutLabel;
  WholeNumberFields* m_caps;
  OAuthSignInBox* m_popSignIn;
  OAuthSignInBox* m_smtpSignIn;
};

}  // namespace tidewell::editor::ui
