#pragma once
// The list hygiene window: the suppression list (addresses and @domains never mailed, with
// Add, Remove, Import and Export) and the addresses with bounce strikes, so the operator sees
// what is about to be switched off. Reads and writes the files beside the profile at once;
// modal, UI thread.

#include <QDialog>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <filesystem>

#include "consent/suppression_list.h"
#include "store/date_text.h"

namespace tidewell::subscribers::ui {

class SuppressionDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Page { kSuppressed, kStrikes };

  // profilePath: the profile (or its subscriber file): the lists beside it are shown.
  SuppressionDialog(std::filesystem::path profilePath, store::Date today, QWidget* parent);
  void showPage(Page page);

  // The buttons, callable by tests.
  void addEntry();
  void removeSelected();
  // Reads a text or CSV file; says how many were added and which lines were skipped.
  void importFrom(const QString& file);
  void exportTo(const QString& file);

 private:
  QWidget* buildSuppressedPage();
  QWidget* buildStrikesPage();
  void fillSuppressed();
  void fillStrikes();
  void save();

  std::filesystem::path m_profilePath;
  store::Date m_today;
  consent::SuppressionList m_list;
  QTabWidget* m_tabs;
  QTableWidget* m_entries = nullptr;
  QTableWidget* m_strikes = nullptr;
  QLineEdit* m_newEntry = nullptr;
};

}  // namespace tidewell::subscribers::ui
