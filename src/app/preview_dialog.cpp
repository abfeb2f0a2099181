#include "preview_dialog.h"

#include <QAbstractTextDocumentLayout>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>

namespace tidewell::app {

namespace {

template <typename T>
T* named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QPlainTextEdit* readOnlyText(const char* name) {
  auto* edit = named(new QPlainTextEdit, name);
  edit->setReadOnly(true);
  edit->setLineWrapMode(QPlainTextEdit::NoWrap);
  return edit;
}

QString text(const std::string& s) {
  return QString::fromStdString(s);
}

QString mailbox(const std::string& name, const std::string& address) {
  return name.empty() ? text(address) : text(name) + " <" + text(address) + ">";
}

}  // namespace

QVariant OfflineBrowser::loadResource(int type, const QUrl& url) {
  // Only what the message itself carries (data: addresses) is shown.
  if (url.scheme() != QLatin1String("data")) {
    m_refused.insert(url);
    return {};
  }
  return QTextBrowser::loadResource(type, url);
}

PreviewDialog::PreviewDialog(Source source, const std::string& address, QWidget* parent)
    : QDialog(parent),
      m_source(std::move(source)),
      m_address(named(new QLineEdit(text(address)), "txtPreviewAddress")),
      m_headers(named(new QLabel, "lblPreviewHeaders")),
      m_remote(named(new QLabel, "lblPreviewRemote")),
      m_tabs(named(new QTabWidget, "tabPreview")),
      m_rendered(named(new OfflineBrowser, "txtPreviewRendered")),
      m_html(readOnlyText("txtPreviewSource")),
      m_plain(readOnlyText("txtPreviewPlain")),
      m_whole(readOnlyText("txtPreviewWhole")),
      m_testTo(named(new QLineEdit(text(m_source.testAddress)), "txtTestTo")) {
  setObjectName("frmPreview");
  setWindowTitle(tr("Preview"));
  m_rendered->setOpenLinks(false);
  m_headers->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_headers->setTextFormat(Qt::PlainText);
  m_tabs->addTab(m_rendered, tr("Message"));
  m_tabs->addTab(m_html, tr("HTML Source"));
  m_tabs->addTab(m_plain, tr("Plain Text"));
  m_tabs->addTab(m_whole, tr("Whole Message"));
  auto* show = named(new QPushButton(tr("&Show")), "cmdPreviewShow");
  auto* send = named(new QPushButton(tr("Send a &Test")), "cmdSendTest");
  auto* close = named(new QPushButton(tr("Close")), "cmdPreviewClose");
  auto* form = new QFormLayout;
  auto* addressRow = new QHBoxLayout;
  addressRow->addWidget(m_address, 1);
  addressRow->addWidget(show);
  form->addRow(tr("As received by:"), addressRow);
  auto* testRow = new QHBoxLayout;
  testRow->addWidget(m_testTo, 1);
  testRow->addWidget(send);
  form->addRow(tr("Test to:"), testRow);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(m_headers);
  layout->addWidget(m_remote);
  layout->addWidget(m_tabs, 1);
  layout->addWidget(close, 0, Qt::AlignRight);
  resize(760, 620);
  connect(show, &QPushButton::clicked, this, [this] { showFor(""); });
  connect(m_address, &QLineEdit::returnPressed, this, [this] { showFor(""); });
  connect(send, &QPushButton::clicked, this, &PreviewDialog::sendTest);
  // Images are asked for when the text is laid out, which may come after it was set.
  connect(m_rendered->document()->documentLayout(),
          &QAbstractTextDocumentLayout::documentSizeChanged, this, &PreviewDialog::noteRefused);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  showFor(address);
}

void PreviewDialog::showFor(const std::string& address) {
  std::string wanted = address.empty() ? m_address->text().trimmed().toStdString() : address;
  m_preview = m_source.preview(wanted);
  if (!m_preview.problem.empty()) {
    m_headers->setText(text(m_preview.problem));
    for (QPlainTextEdit* edit : {m_html, m_plain, m_whole}) edit->clear();
    m_rendered->clear();
    m_remote->clear();
    return;
  }
  const mail::OutgoingMessage& m = m_preview.message;
  m_address->setText(text(m.toAddress));
  setWindowTitle(tr("Preview of %1 for %2").arg(text(m_preview.title), text(m.toAddress)));
  QStringList attachments;
  for (const auto& path : m.attachments) {
    attachments << text(std::filesystem::path(path).filename().string());
  }
  m_headers->setText(tr("From: %1\nTo: %2\nSubject: %3\nAttachments: %4")
                         .arg(mailbox(m.fromName, m.fromAddress), mailbox(m.toName, m.toAddress),
                              text(m.subject),
                              attachments.isEmpty() ? tr("none") : attachments.join(", ")));
  m_rendered->resetRefused();
  if (m.html) {
    m_rendered->setHtml(text(m.body));
    m_html->setPlainText(text(m.body));
    m_plain->setPlainText(text(m.textAlternative));
  } else {
    m_rendered->setPlainText(text(m.body));
    m_html->setPlainText(tr("(This newsletter is plain text.)"));
    m_plain->setPlainText(text(m.body));
  }
  m_tabs->setTabEnabled(1, m.html);
  m_rendered->document()->size();  // lays the text out now, which asks for its images
  noteRefused();
  m_whole->setPlainText(m_source.wholeText ? text(m_source.wholeText(m)) : QString());
}

void PreviewDialog::noteRefused() {
  m_remote->setText(
      m_rendered->refused() > 0
          ? tr("%1 remote images and files were not loaded.").arg(m_rendered->refused())
          : QString());
}

void PreviewDialog::sendTest() {
  std::string to = m_testTo->text().trimmed().toStdString();
  if (!m_preview.problem.empty() || to.empty() || !m_source.sendTest) return;
  m_source.sendTest(m_preview.message, to);
}

}  // namespace tidewell::app
