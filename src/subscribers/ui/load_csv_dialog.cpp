#include "subscribers/ui/load_csv_dialog.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <fstream>

#include "consent/consent_log.h"
#include "subscribers/csv_reader.h"
#include "subscribers/ui/refusal_box.h"

namespace tidewell::subscribers::ui {

namespace {

// A report of a huge file stays readable; the count says what was left out.
constexpr std::size_t kSkippedLinesShown = 500;

QPushButton* namedButton(const char* name, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

void fillList(QListWidget* list, const std::vector<std::string>& items) {
  QSignalBlocker block(list);
  list->clear();
  for (const std::string& item : items) list->addItem(QString::fromStdString(item));
}

QString selectedText(const QListWidget* list) {
  QListWidgetItem* item = list->currentItem();
  return item && item->isSelected() ? item->text() : QString();
}

// The first records of a file; reading stops there, so a huge file previews at once.
std::vector<CsvRecord> firstRecords(const std::string& text, int count) {
  std::vector<CsvRecord> records;
  CsvReader reader(text);
  CsvRecord record;
  while (static_cast<int>(records.size()) < count && reader.next(record)) records.push_back(record);
  return records;
}

QString reportText(const CsvImportReport& report) {
  QString text;
  std::size_t shown = std::min(report.skipped.size(), kSkippedLinesShown);
  for (std::size_t i = 0; i < shown; ++i) {
    text += QStringLiteral("Line %1 skipped: %2\n")
                .arg(report.skipped[i].line)
                .arg(QString::fromStdString(report.skipped[i].reason));
  }
  if (report.skipped.size() > shown) {
    text += QStringLiteral("... and %1 more lines skipped\n").arg(report.skipped.size() - shown);
  }
  return text;
}

}  // namespace

LoadCsvDialog::LoadCsvDialog(store::ErrorTrap& trap, QWidget* parent)
    : QDialog(parent),
      m_trap(trap),
      m_path(new QLineEdit(this)),
      m_columnCount(new QComboBox(this)),
      m_columns(new QListWidget(this)),
      m_available(new QListWidget(this)),
      m_filter(new QComboBox(this)),
      m_fields(new QListWidget(this)),
      m_pairs(new QListWidget(this)),
      m_preview(new QTableWidget(this)),
      m_reportCaption(new QLabel(this)),
      m_report(new QPlainTextEdit(this)) {
  setObjectName("frmLoadCSV");
  setWindowTitle("Load CSV File");
  m_path->setObjectName("Text1");
  m_columnCount->setObjectName("Combo1");
  for (int n = 1; n <= kMostCsvColumns; ++n) m_columnCount->addItem(QString::number(n));
  m_columnCount->setCurrentIndex(-1);
  m_columns->setObjectName("List1");
  m_columns->setSelectionMode(QAbstractItemView::MultiSelection);
  m_available->setObjectName("List3");
  m_filter->setObjectName("Combo2");
  m_fields->setObjectName("List2");
  m_pairs->setObjectName("List4");
  m_preview->setObjectName("grdPreview");
  m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_preview->verticalHeader()->setDefaultSectionSize(m_preview->fontMetrics().height() + 6);
  m_reportCaption->setObjectName("lblReport");
  m_report->setObjectName("txtReport");
  m_report->setReadOnly(true);
  buildLayout();

  connect(m_path, &QLineEdit::editingFinished, this, &LoadCsvDialog::loadPreview);
  connect(m_columnCount, &QComboBox::currentIndexChanged, this, &LoadCsvDialog::chooseColumnCount);
  connect(m_columns, &QListWidget::itemSelectionChanged, this, &LoadCsvDialog::columnsSelected);
  connect(m_filter, &QComboBox::currentIndexChanged, this, &LoadCsvDialog::filterChosen);
}

void LoadCsvDialog::buildLayout() {
  auto* browse = namedButton("Command1", "Browse...", this);
  auto* pair = namedButton("Command5", ">", this);
  auto* ok = namedButton("Command3", "&OK", this);
  auto* cancel = namedButton("Command2", "&Cancel", this);
  connect(browse, &QPushButton::clicked, this, &LoadCsvDialog::Command1_Click);
  connect(pair, &QPushButton::clicked, this, &LoadCsvDialog::Command5_Click);
  connect(ok, &QPushButton::clicked, this, &LoadCsvDialog::Command3_Click);
  // "&Cancel" only hides the window: its lists and pairs stay for the next opening.
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* file = new QHBoxLayout;
  file->addWidget(m_path, 1);
  file->addWidget(browse);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("CSV File Location:", this), 0, 0, 1, 3);
  grid->addLayout(file, 1, 0, 1, 3);
  grid->addWidget(new QLabel("Preview of the first lines:", this), 2, 0, 1, 3);
  grid->addWidget(m_preview, 3, 0, 1, 3);
  grid->addWidget(new QLabel("Number of Columns:", this), 4, 0);
  grid->addWidget(m_columnCount, 5, 0);
  grid->addWidget(new QLabel("Pick a Filter to Assign List To:", this), 4, 1, 1, 2);
  grid->addWidget(m_filter, 5, 1, 1, 2);
  grid->addWidget(new QLabel("Select Columns to Import:", this), 6, 0);
  grid->addWidget(m_columns, 7, 0, 3, 1);
  grid->addWidget(new QLabel("Available Columns:", this), 6, 1);
  grid->addWidget(m_available, 7, 1);
  grid->addWidget(new QLabel("Available PMF:", this), 6, 2);
  grid->addWidget(m_fields, 7, 2);
  auto* pairRow = new QHBoxLayout;
  pairRow->addWidget(pair);
  pairRow->addWidget(m_pairs, 1);
  grid->addLayout(pairRow, 8, 1, 2, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_reportCaption, 1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid, 1);
  layout->addWidget(m_report);
  layout->addLayout(buttons);
  m_report->setMaximumHeight(90);
  m_preview->setMaximumHeight(150);
  resize(640, 640);
}

void LoadCsvDialog::attach(store::SubscriberTable* table, std::string fieldDelimiter) {
  m_table = table;
  m_delimiter = std::move(fieldDelimiter);
  QString chosen = m_filter->currentText();
  {
    QSignalBlocker block(m_filter);
    m_filter->clear();
    if (table) {
      for (const store::FilterRecord& f : table->filterList()) {
        m_filter->addItem(QString::fromStdString(f.title));
      }
    }
    m_filter->setCurrentIndex(
        m_filter->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive));
  }
  // A filter that is gone, or changed, is chosen again from the start.
  filterChosen(m_filter->currentIndex());
}

int LoadCsvDialog::exec() {
  m_imported = false;
  m_reportCaption->clear();
  m_report->clear();
  return QDialog::exec();
}

void LoadCsvDialog::Command1_Click() {
  QString path = QFileDialog::getOpenFileName(this, "Select a CSV file to load", m_path->text(),
                                              "Supported Files (*.csv)", nullptr,
                                              QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) return;
  m_path->setText(path);
  loadPreview();
}

void LoadCsvDialog::loadPreview() {
  m_preview->clear();
  m_preview->setRowCount(0);
  m_preview->setColumnCount(0);
  m_reportCaption->clear();
  std::filesystem::path file = m_path->text().toStdString();
  std::error_code ec;
  if (m_path->text().isEmpty() || !std::filesystem::is_regular_file(file, ec)) return;
  std::string bytes = firstBytes();
  if (std::optional<std::string> problem = csvFileProblem(bytes)) {
    // An empty preview alone would leave the operator guessing.
    m_reportCaption->setText(QString::fromStdString(*problem));
    return;
  }
  std::string text = csvFileText(bytes);
  std::vector<CsvRecord> records = firstRecords(text, kPreviewLines);
  int columns = 0;
  for (const CsvRecord& r : records) columns = std::max(columns, static_cast<int>(r.values.size()));
  columns = std::min(columns, kMostCsvColumns);
  m_preview->setColumnCount(columns);
  m_preview->setRowCount(static_cast<int>(records.size()));
  QStringList headers;
  for (const std::string& name : csvColumnNames(columns)) headers << QString::fromStdString(name);
  m_preview->setHorizontalHeaderLabels(headers);
  for (int row = 0; row < static_cast<int>(records.size()); ++row) {
    const CsvRecord& r = records[static_cast<std::size_t>(row)];
    for (int c = 0; c < columns && c < static_cast<int>(r.values.size()); ++c) {
      m_preview->setItem(row, c,
                         new QTableWidgetItem(QString::fromStdString(r.values[std::size_t(c)])));
    }
  }
  if (columns > 0 && m_columnCount->currentIndex() < 0) m_columnCount->setCurrentIndex(columns - 1);
}

std::string LoadCsvDialog::firstBytes() const {
  // The first 64 KiB hold the preview's lines of any sensible file; a huge file is not read.
  std::ifstream in(std::filesystem::path(m_path->text().toStdString()), std::ios::binary);
  std::string bytes(1 << 16, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return bytes;
}

void LoadCsvDialog::chooseColumnCount(int index) {
  fillList(m_columns, csvColumnNames(index + 1));
  columnsSelected();
}

void LoadCsvDialog::columnsSelected() {
  std::vector<std::string> chosen;
  for (int i = 0; i < m_columns->count(); ++i) {
    if (m_columns->item(i)->isSelected())
      chosen.push_back(m_columns->item(i)->text().toStdString());
  }
  m_pairing.selectColumns(std::move(chosen));
  showLists();
}

const store::FilterRecord* LoadCsvDialog::chosenFilter() const {
  int index = m_filter->currentIndex();
  if (!m_table || index < 0 || index >= static_cast<int>(m_table->filterList().size())) {
    return nullptr;
  }
  return &m_table->filterList()[static_cast<std::size_t>(index)];
}

void LoadCsvDialog::filterChosen(int) {
  const store::FilterRecord* filter = chosenFilter();
  m_pairing.chooseFilter(filter ? *filter : store::FilterRecord{});
  showLists();
}

void LoadCsvDialog::showLists() {
  fillList(m_available, m_pairing.availableColumns());
  fillList(m_fields, m_pairing.availableFields());
  fillList(m_pairs, m_pairing.pairTexts());
}

void LoadCsvDialog::Command5_Click() {
  auto refusal =
      m_pairing.pair(selectedText(m_fields).toStdString(), selectedText(m_available).toStdString());
  if (refusal) {
    showRefusal(this, *refusal, QMessageBox::Warning);
    return;
  }
  showLists();
}

void LoadCsvDialog::Command3_Click() {
  const store::FilterRecord* filter = chosenFilter();
  if (!m_table || !filter) {
    showRefusal(this, {"Pick a filter to assign the list to first.", "Import CSV"});
    return;
  }
  std::filesystem::path file = m_path->text().toStdString();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    importCsv(m_trap, *m_table, file, *filter, {}, m_delimiter);  // says the file does not exist
    return;
  }
  if (std::optional<std::string> problem = csvFileProblem(firstBytes())) {
    showRefusal(this, {*problem, "Import CSV"});
    return;
  }
  std::optional<std::string> sentList = startingSentList(*filter);
  if (!sentList) return;
  std::optional<CsvImportReport> report =
      importCsv(m_trap, *m_table, file, *filter, m_pairing.pairs(), m_delimiter,
                consent::SuppressionList(m_suppressedPath), {*sentList});
  if (!report) return;
  if (!m_consentFolder.empty()) {
    const store::Clock& clock = m_trap.clock();
    m_trap.run(store::windowProcedure("Command3"), [&] {
      consent::appendConsentOfAll(m_consentFolder, report->addresses, filter->title, "import",
                                  store::shortDateText(clock.today()), clock.timeText());
    });
  }
  m_imported = m_imported || report->imported > 0;
  // One import per OK: the window closes, so a second OK cannot add everybody again.
  accept();
  showReport(*report, *filter);
}

std::optional<std::string> LoadCsvDialog::startingSentList(const store::FilterRecord& filter) {
  std::vector<std::string> due =
      m_dueAtSignUp ? m_dueAtSignUp(filter.title) : std::vector<std::string>();
  if (due.empty()) return std::string("none");
  QString titles;
  for (const std::string& title : due) titles += "\n    " + QString::fromStdString(title);
  QMessageBox box(QMessageBox::Question, "Import CSV",
                  QStringLiteral("These follow-ups of %1 are due at once for subscribers who sign "
                                 "up today:%2\n\nShould the imported subscribers receive them at "
                                 "the next check?\n\nNo marks them as already sent to the "
                                 "imported subscribers; later follow-ups go out as usual.")
                      .arg(QString::fromStdString(filter.title), titles),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
  box.setObjectName("msgDueFollowUps");
  box.setDefaultButton(QMessageBox::No);
  int answer = box.exec();
  if (answer == QMessageBox::Cancel) return std::nullopt;
  if (answer == QMessageBox::Yes) return std::string("none");
  std::string sent;
  for (const std::string& title : due) sent += title + "[\\?]";
  return sent;
}

void LoadCsvDialog::showReport(const CsvImportReport& report, const store::FilterRecord& filter) {
  QString text = QStringLiteral("Imported %1 subscribers into %2; skipped %3 lines.")
                     .arg(report.imported)
                     .arg(QString::fromStdString(filter.title))
                     .arg(report.skipped.size());
  if (report.alreadyOnFilter > 0) {
    text += QStringLiteral("\n%1 of them were already on %2 and were left as they are.")
                .arg(report.alreadyOnFilter)
                .arg(QString::fromStdString(filter.title));
  }
  m_reportCaption->setText(text);
  m_report->setPlainText(reportText(report));
  QMessageBox box(QMessageBox::Information, "Import CSV", text, QMessageBox::Ok, parentWidget());
  box.setObjectName("msgImportReport");
  if (!report.skipped.empty()) box.setDetailedText(reportText(report));
  box.exec();
}

}  // namespace tidewell::subscribers::ui
