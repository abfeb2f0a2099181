#include "editor/ui/html_dialog.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>

namespace tidewell::editor::ui {

namespace {
// The dialog's margins, kept from its twip layout at 15 twips to the pixel.
constexpr int kWidthMargin = 400 / 15;
constexpr int kHeightMargin = 1000 / 15;
constexpr int kButtonFromBottom = 825 / 15;
constexpr int kInset = 8;
}  // namespace

HtmlDialog::HtmlDialog(const QString& text, const QString& instruction, QWidget* parent)
    : QDialog(parent) {
  setObjectName("frmHTML");
  setWindowTitle("Opt-In/Opt-Out HTML");
  m_text = new QPlainTextEdit(text, this);
  m_text->setObjectName("txtHTML");
  m_text->setReadOnly(true);
  m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_label = new QLabel(instruction, this);
  m_label->setObjectName("lblInstruction");
  m_close = new QPushButton("Close", this);
  m_close->setObjectName("cmdClose");
  connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
  resize(760, 460);
}

void HtmlDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  int w = width();
  int h = height();
  m_text->setGeometry(kInset, kInset, w - kWidthMargin, h - kHeightMargin);
  int buttonTop = h - kButtonFromBottom;
  m_label->setGeometry(kInset, buttonTop, w - kWidthMargin - m_close->sizeHint().width(),
                       m_close->sizeHint().height());
  m_close->setGeometry(w - kWidthMargin + kInset - m_close->sizeHint().width(), buttonTop,
                       m_close->sizeHint().width(), m_close->sizeHint().height());
}

}  // namespace tidewell::editor::ui
