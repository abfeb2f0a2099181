#pragma once
// The new-profile wizard (`frmNewProfile`): five pages, checked page by page by the core, and
// Finish writes the profile through createProfile. Made by the start window and the File menu;
// modal, UI thread only.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include "store/password_cipher.h"
#include "store/profile_model.h"
#include "store/settings_file.h"

namespace tidewell::app {

class NewProfileWizard : public QDialog {
  Q_OBJECT

 public:
  NewProfileWizard(store::SettingsFile& settings, store::PasswordCipher& cipher,
                   QWidget* parent = nullptr);

  // "true" once a profile was written, else "false".
  QString profileSuccess() const { return m_profileSuccess; }
  // The profile written by Finish.
  std::filesystem::path profilePath() const { return m_profilePath; }
  // Page shown, from 1.
  int page() const { return m_pages->currentIndex() + 1; }
  QPushButton* backButton() const { return m_back; }
  QPushButton* nextButton() const { return m_next; }

 private:
  QWidget* makePage(int page, const QString& help, const QList<QPair<QString, QLineEdit*>>& rows);
  QLineEdit* makeField(const char* name);
  // A warning line under a page's fields, empty until something is wrong.
  QLabel* addHint(QWidget* page, const char* name);
  // A "/" or TAB typed into the title is taken out again at once, and the page says why.
  void titleTyped(const QString& text);
  // An address field was left: the page says when an address is no mailbox.
  void addressLeft();
  void goBack();
  void goNext();
  void finish();
  void showPage(int page);
  // Shows why the wizard stays, on the page of the field at fault, with that field focused.
  void refuse(const store::WizardRefusal& refusal);
  store::NewProfileFields fields() const;
  // Page 3's choice of POP3 or IMAP for the incoming server, above its name.
  void addIncomingChoice(QWidget* page);

  store::SettingsFile& m_settings;
  store::PasswordCipher& m_cipher;
  QLabel* m_heading;
  QStackedWidget* m_pages;
  QPushButton* m_back;
  QPushButton* m_next;
  QLineEdit* m_title;
  QLineEdit* m_email;
  QLineEdit* m_reply;
  QLineEdit* m_pop;
  QLineEdit* m_smtp;
  QLineEdit* m_account;
  QLineEdit* m_password;
  QRadioButton* m_pop3Choice = nullptr;
  QRadioButton* m_imapChoice = nullptr;
  QLabel* m_titleHint = nullptr;
  QLabel* m_addressHint = nullptr;
  QString m_profileSuccess = QStringLiteral("false");
  std::filesystem::path m_profilePath;
};

}  // namespace tidewell::app
