#pragma once
// One of the six property panels on the right of the main window: it shows one profile block and
// writes each field back as it loses focus. The main window keeps one of each and shows the one
// whose kind matches the selected node. User-interface thread only.
#include <QGroupBox>
#include <QLineEdit>
#include <QString>
#include <QWidget>

#include "editor/ui/focus_edits.h"
#include "editor/ui/panel_services.h"

namespace tidewell::editor::ui {

class PropertyPanel : public QWidget {
 public:
  PropertyPanel(PanelServices services, QWidget* parent) : QWidget(parent), m_services(services) {}
  // Fills the panel from the block with this index.
  virtual void showBlock(int index) = 0;
  // "user", "system", "outbound", "inbound", "newsletter" or "filter".
  virtual QString kindWord() const = 0;
  // Lines of the required server settings that are empty ("- Incoming Mail (Pop3)" ...); only
  // the server settings panel has any.
  virtual QStringList missingRequiredFields() const { return {}; }
  // Writes a field that still has the focus, before the node changes or the program ends.
  virtual void commitPendingEdit() {}

 protected:
  const PanelServices& services() const { return m_services; }

  // The node's title as the block holds it, shown when the panel is filled.
  void showTitle(QGroupBox* frame, const QString& title) {
    m_nodeText = title;
    frame->setTitle(title);
  }
  // The tree node and the frame caption follow the title box as the operator types, or as a
  // refused title is put back.
  void followTitle(QGroupBox* frame, const QString& title) {
    renameShownNode(title);
    frame->setTitle(title);
  }
  void renameShownNode(const QString& title) {
    if (m_services.renameNode) m_services.renameNode(m_nodeText.toStdString(), title.toStdString());
    m_nodeText = title;
  }
  void setShownNode(const QString& title) { m_nodeText = title; }
  // A title box that needs no check: the node follows it while typing, and leaving it
  // line-updates "title: " in the block whose index *index holds.
  void watchPlainTitle(FocusEdits* focus, QGroupBox* frame, QLineEdit* title, const int* index) {
    connect(title, &QLineEdit::textEdited, this,
            [this, frame](const QString& text) { followTitle(frame, text); });
    focus->watch(
        title, [title] { return title->text(); },
        [this, index](const QString& text, const QString& old) {
          m_services.profile->UpdateFile("title: " + text.toStdString(), old.toStdString(), *index);
        });
  }

 private:
  PanelServices m_services;
  QString m_nodeText;  // what the tree node shows now
};

}  // namespace tidewell::editor::ui
