#pragma once
// A newsletter node's panel: title under the title rules, subject, message file, attachments,
// days or fixed date with the picker, verify, and the filter it follows (which moves its block).
// One per main window; user-interface thread.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "editor/attachment_list.h"
#include "editor/newsletter_editor.h"
#include "editor/ui/focus_edits.h"
#include "editor/ui/property_panel.h"

class QGroupBox;

namespace tidewell::editor::ui {

class NewsletterPanel : public PropertyPanel {
 public:
  NewsletterPanel(const PanelServices& services, QWidget* parent);
  ~NewsletterPanel() override { m_focus->stop(); }

  void showBlock(int index) override;
  QString kindWord() const override { return "newsletter"; }
  void commitPendingEdit() override { m_focus->commitFocused(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* buildSchedule();
  void connectFields();
  void watchLineKey(QWidget* field, std::function<QString()> read, const char* key);
  void leaveTitle(const QString& text);
  void browseMessage();
  void addAttachment();
  void removeAttachment();
  void chooseDays();
  void chooseDate();
  void setDate();
  void clearDate();
  void showSchedule(const NewsletterSchedule& schedule);
  void showAttachments();
  void loadFollowChoices(const std::string& rule);
  void followChosen(int entry);

  std::unique_ptr<NewsletterEditor> m_editor;
  FocusEdits* m_focus;
  QGroupBox* m_frame;
  QLineEdit* m_title;
  QLineEdit* m_subject;
  QLineEdit* m_location;
  QListWidget* m_attachments;
  QComboBox* m_follow;
  QRadioButton* m_daysOption;
  QRadioButton* m_dateOption;
  QComboBox* m_days;
  QLineEdit* m_dateText;
  QPushButton* m_setDate;
  QPushButton* m_clearDate;
  QCheckBox* m_verify;
  QLabel* m_sent;
  AttachmentList m_attachList;
  std::vector<int> m_filterIndexes;
  QString m_storedTitle;
  int m_index = 0;
};

}  // namespace tidewell::editor::ui
