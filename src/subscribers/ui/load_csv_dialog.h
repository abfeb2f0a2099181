#pragma once
// `frmLoadCSV`: imports subscribers from a comma-separated file into one filter. The operator
// picks the file (a preview shows its first lines), the number of columns, the columns, the
// filter, and pairs columns with the filter's personal fields. OK asks whether the new
// subscribers get the follow-ups already due, imports, closes and reports how many lines became
// subscribers and why the others did not. Made once by the user panel and kept, so its choices
// stay between openings; modal; UI thread.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <filesystem>
#include <functional>

#include "store/error_trap.h"
#include "store/subscriber_table.h"
#include "subscribers/csv_import.h"

namespace tidewell::subscribers::ui {

class LoadCsvDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kPreviewLines = 5;

  LoadCsvDialog(store::ErrorTrap& trap, QWidget* parent);

  // The table imported into and the placeholder delimiter of the profile's name templates;
  // the filter list is taken again from the table.
  void attach(store::SubscriberTable* table, std::string fieldDelimiter);
  // Where consent.log lives: every imported subscriber gets a line ("import").
  void setConsentFolder(std::filesystem::path folder) { m_consentFolder = std::move(folder); }
  // The addresses an import skips; read again before each import.
  void setSuppressionFile(std::filesystem::path path) { m_suppressedPath = std::move(path); }
  // Which follow-ups are due at once for a subscriber of the filter who signs up today; the
  // import asks whether the new subscribers should get them.
  void setDueAtSignUp(std::function<std::vector<std::string>(const std::string&)> due) {
    m_dueAtSignUp = std::move(due);
  }
  // True when something was imported since the window was shown.
  bool imported() const { return m_imported; }
  int exec() override;

  // "Browse...": the file dialog; its answer goes into Text1.
  void Command1_Click();
  // Text1 changed: the preview and the guessed number of columns follow.
  void loadPreview();
  void Command5_Click();
  void Command3_Click();

 private:
  void buildLayout();
  void chooseColumnCount(int index);
  void columnsSelected();
  void filterChosen(int index);
  void showLists();
  const store::FilterRecord* chosenFilter() const;
  // The first bytes of the chosen file, enough for the preview and its checks.
  std::string firstBytes() const;
  // Asks about the follow-ups already due; the sent list the new subscribers start with, or
  // nothing when the operator cancelled.
  std::optional<std::string> startingSentList(const store::FilterRecord& filter);
  void showReport(const CsvImportReport& report, const store::FilterRecord& filter);

  store::ErrorTrap& m_trap;
  store::SubscriberTable* m_table = nullptr;
  std::filesystem::path m_suppressedPath;
  std::string m_delimiter{"~"};
  CsvImportPairing m_pairing;
  bool m_imported = false;
  std::filesystem::path m_consentFolder;
  std::function<std::vector<std::string>(const std::string&)> m_dueAtSignUp;

  QLineEdit* m_path;
  QComboBox* m_columnCount;
  QListWidget* m_columns;    // List1
  QListWidget* m_available;  // List3
  QComboBox* m_filter;       // Combo2
  QListWidget* m_fields;     // List2
  QListWidget* m_pairs;      // List4
  QTableWidget* m_preview;
  QLabel* m_reportCaption;
  QPlainTextEdit* m_report;
};

}  // namespace tidewell::subscribers::ui
