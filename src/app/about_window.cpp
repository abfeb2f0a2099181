#include "about_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "window_rules.h"

namespace tidewell::app {

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("f_about");
  setWindowTitle(tr("About Tidewell"));
  auto* text = new QTextEdit(this);
  text->setObjectName("txtAbout");
  text->setReadOnly(true);
  text->setPlainText(QString::fromStdString(aboutProductLine()) +
                     tr("\n\nE-mail autoresponder and follow-up mailer.\n\n"
                        "Tidewell reads sign-up messages from your POP3 mailbox, keeps your "
                        "subscribers and sends each list's newsletters on time."));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(buttons);
  resize(360, 220);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

}  // namespace tidewell::app
