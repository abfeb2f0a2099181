#pragma once
// "Preview" (`frmPreview`): a newsletter as one subscriber will get it: sender, recipient,
// subject and attachments, the HTML shown rendered without loading anything from the network,
// with its source, its plain-text part and the whole message as it would be sent; another
// subscriber is chosen by address, and "Send a Test" mails it to the operator. Owned by the
// main window; user-interface thread only.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSet>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <functional>
#include <string>

#include "engine/newsletter_preview.h"

namespace tidewell::app {

// Shows HTML and never fetches a remote resource (tracking pixels, remote images).
class OfflineBrowser : public QTextBrowser {
  Q_OBJECT

 public:
  using QTextBrowser::QTextBrowser;
  QVariant loadResource(int type, const QUrl& url) override;
  // How many different addresses it refused since the last reset.
  int refused() const { return static_cast<int>(m_refused.size()); }
  void resetRefused() { m_refused.clear(); }

 private:
  QSet<QUrl> m_refused;
};

class PreviewDialog : public QDialog {
  Q_OBJECT

 public:
  struct Source {
    // The newsletter for the subscriber with the address (empty: the list's first active one).
    std::function<engine::NewsletterPreview(const std::string& address)> preview;
    // The whole message as it would be sent.
    std::function<std::string(const mail::OutgoingMessage&)> wholeText;
    // Mails the message to the address; the window's status bar says what it did.
    std::function<void(const mail::OutgoingMessage&, const std::string& to)> sendTest;
    std::string testAddress;
  };

  PreviewDialog(Source source, const std::string& address, QWidget* parent = nullptr);

  // Shows the newsletter for this subscriber (the address field's text when empty).
  void showFor(const std::string& address);
  void sendTest();
  const engine::NewsletterPreview& preview() const { return m_preview; }

 private:
  // Says how many remote resources the rendered message asked for in vain.
  void noteRefused();

  Source m_source;
  engine::NewsletterPreview m_preview;
  QLineEdit* m_address;
  QLabel* m_headers;
  QLabel* m_remote;
  QTabWidget* m_tabs;
  OfflineBrowser* m_rendered;
  QPlainTextEdit* m_html;
  QPlainTextEdit* m_plain;
  QPlainTextEdit* m_whole;
  QLineEdit* m_testTo;
};

}  // namespace tidewell::app
