#pragma once
// The confirmed opt-in settings of one filter on the filter panel: which sign-ups must be
// confirmed ("confirm"), the message file of the confirmation ("confirmfile", empty for the
// built-in text) and the days before the reminder and before an unconfirmed sign-up is
// dropped. Each edit is written to the filter's block at once. User-interface thread.
#include <QGroupBox>
#include <functional>

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace tidewell::editor::ui {

class ConfirmationBox : public QGroupBox {
 public:
  using WriteKey = std::function<void(const char* key, const QString& value)>;
  explicit ConfirmationBox(QWidget* parent = nullptr);

  // Shows the stored values (absent keys as their defaults); writeKey stores an edit.
  void showValues(const QString& confirm, const QString& file, const QString& remind,
                  const QString& expire, WriteKey writeKey);

 private:
  void chooseFile();

  QComboBox* m_confirm;
  QLineEdit* m_file;
  QSpinBox* m_remind;
  QSpinBox* m_expire;
  WriteKey m_write;
};

}  // namespace tidewell::editor::ui
