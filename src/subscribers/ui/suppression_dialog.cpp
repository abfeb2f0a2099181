#include "subscribers/ui/suppression_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/bounce_counts.h"
#include "store/text_file.h"
#include "subscribers/ui/refusal_box.h"

namespace tidewell::subscribers::ui {

namespace {

QPushButton* namedButton(const QString& text, const char* name) {
  auto* button = new QPushButton(text);
  button->setObjectName(name);
  return button;
}

QTableWidget* namedTable(const QStringList& headers, const char* name) {
  auto* table = new QTableWidget(0, static_cast<int>(headers.size()));
  table->setObjectName(name);
  table->setHorizontalHeaderLabels(headers);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->setVisible(false);
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

void setRow(QTableWidget* table, int row, const QStringList& cells) {
  for (int c = 0; c < cells.size(); ++c) table->setItem(row, c, new QTableWidgetItem(cells[c]));
}

QString dateText(const store::Date& d) {
  return QString::fromStdString(store::shortDateText(d));
}

}  // namespace

SuppressionDialog::SuppressionDialog(std::filesystem::path profilePath, store::Date today,
                                     QWidget* parent)
    : QDialog(parent),
      m_profilePath(std::move(profilePath)),
      m_today(today),
      m_list(consent::SuppressionList::pathFor(m_profilePath)),
      m_tabs(new QTabWidget(this)) {
  setObjectName("frmSuppression");
  setWindowTitle("List Hygiene");
  m_tabs->setObjectName("tabHygiene");
  m_tabs->addTab(buildSuppressedPage(), "Never Mailed");
  m_tabs->addTab(buildStrikesPage(), "Bounce Strikes");
  auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_tabs);
  layout->addWidget(close);
  fillSuppressed();
  fillStrikes();
  resize(640, 460);
}

QWidget* SuppressionDialog::buildSuppressedPage() {
  auto* page = new QWidget;
  m_entries = namedTable({"Address or @domain", "Since", "Reason"}, "grdSuppressed");
  m_entries->setColumnWidth(0, 300);
  m_newEntry = new QLineEdit;
  m_newEntry->setObjectName("txtSuppress");
  m_newEntry->setPlaceholderText("name@example.com or @example.com");
  auto* add = namedButton("&Add", "cmdSuppressAdd");
  auto* remove = namedButton("&Remove", "cmdSuppressRemove");
  auto* import = namedButton("&Import...", "cmdSuppressImport");
  auto* exportButton = namedButton("&Export...", "cmdSuppressExport");
  connect(add, &QPushButton::clicked, this, &SuppressionDialog::addEntry);
  connect(m_newEntry, &QLineEdit::returnPressed, this, &SuppressionDialog::addEntry);
  connect(remove, &QPushButton::clicked, this, &SuppressionDialog::removeSelected);
  connect(import, &QPushButton::clicked, this, [this] {
    QString file = QFileDialog::getOpenFileName(this, "Import addresses never to mail", {},
                                                "Text or CSV files (*.txt *.csv);;All files (*)",
                                                nullptr, QFileDialog::DontUseNativeDialog);
    if (!file.isEmpty()) importFrom(file);
  });
  connect(exportButton, &QPushButton::clicked, this, [this] {
    QString file = QFileDialog::getSaveFileName(
        this, "Export the suppression list", "suppressed.csv",
        "CSV files (*.csv);;Text files (*.txt)", nullptr, QFileDialog::DontUseNativeDialog);
    if (!file.isEmpty()) exportTo(file);
  });
  auto* entryRow = new QHBoxLayout;
  entryRow->addWidget(m_newEntry, 1);
  entryRow->addWidget(add);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(remove);
  buttons->addStretch();
  buttons->addWidget(import);
  buttons->addWidget(exportButton);
  auto* layout = new QVBoxLayout(page);
  auto* note = new QLabel(
      "Nothing is ever sent to these addresses and domains, and no sign-up, import or hand "
      "entry takes them in. Permanent delivery failures are added on their own.");
  note->setWordWrap(true);
  layout->addWidget(note);
  layout->addLayout(entryRow);
  layout->addWidget(m_entries, 1);
  layout->addLayout(buttons);
  return page;
}

QWidget* SuppressionDialog::buildStrikesPage() {
  auto* page = new QWidget;
  m_strikes =
      namedTable({"Address", "Strikes", "Days", "First failure", "Last failure"}, "grdStrikes");
  m_strikes->setColumnWidth(0, 240);
  for (int column : {1, 2}) m_strikes->setColumnWidth(column, 70);
  m_strikes->setColumnWidth(3, 110);
  auto* note = new QLabel(
      "Failure reports that may pass (mailbox full, not delivered for an unknown reason) are "
      "strikes. Strikes on three different days switch the address off in every filter; an "
      "address with no failure for 30 days starts again.");
  note->setWordWrap(true);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(note);
  layout->addWidget(m_strikes, 1);
  return page;
}

void SuppressionDialog::showPage(Page page) {
  m_tabs->setCurrentIndex(page == Page::kSuppressed ? 0 : 1);
}

void SuppressionDialog::fillSuppressed() {
  const auto& entries = m_list.entries();
  m_entries->setRowCount(static_cast<int>(entries.size()));
  for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
    const auto& e = entries[static_cast<std::size_t>(row)];
    setRow(m_entries, row, {qText(e.key), dateText(e.date), qText(e.reason)});
  }
}

void SuppressionDialog::fillStrikes() {
  engine::BounceCounts counts(engine::BounceCounts::pathFor(m_profilePath));
  m_strikes->setRowCount(0);
  for (const auto& e : counts.entries()) {
    if (e.staleOn(m_today)) continue;
    int row = m_strikes->rowCount();
    m_strikes->insertRow(row);
    setRow(m_strikes, row,
           {qText(e.address), QString::number(e.count),
            QString("%1 of %2").arg(e.days.size()).arg(engine::kStrikeDaysToSwitchOff),
            dateText(e.first), dateText(e.last)});
  }
}

void SuppressionDialog::save() {
  try {
    m_list.save();
  } catch (const std::exception& e) {
    QMessageBox::warning(this, "Suppression List", QString("The list was not saved: ") + e.what());
  }
  fillSuppressed();
}

void SuppressionDialog::addEntry() {
  const std::string text = m_newEntry->text().trimmed().toStdString();
  if (text.empty()) return;
  if (!consent::SuppressionList::keyOf(text)) {
    QMessageBox::warning(this, "Suppression List",
                         "Enter an e-mail address or a domain written as @example.com.");
    return;
  }
  if (m_list.add(text, m_today, "manual")) save();
  m_newEntry->clear();
}

void SuppressionDialog::removeSelected() {
  const auto selected = m_entries->selectionModel()->selectedRows();
  if (selected.isEmpty()) return;
  std::vector<std::string> keys;
  for (const QModelIndex& index : selected) {
    keys.push_back(m_entries->item(index.row(), 0)->text().toStdString());
  }
  QString question = keys.size() == 1 ? QString("Mail to %1 again?").arg(qText(keys.front()))
                                      : QString("Mail to these %1 entries again?").arg(keys.size());
  if (QMessageBox::question(this, "Suppression List", question) != QMessageBox::Yes) return;
  for (const std::string& key : keys) m_list.remove(key);
  save();
}

void SuppressionDialog::importFrom(const QString& file) {
  consent::SuppressionImport read;
  try {
    read = consent::readSuppressionImport(store::readTextFile(file.toStdString()));
  } catch (const std::exception& e) {
    QMessageBox::warning(this, "Import", QString("The file could not be read: ") + e.what());
    return;
  }
  std::size_t added = 0;
  for (const std::string& key : read.keys) added += m_list.add(key, m_today, "import") ? 1 : 0;
  save();
  QString text = QString("Added %1 entries; %2 were on the list already.")
                     .arg(added)
                     .arg(read.keys.size() - added);
  if (!read.skipped.empty()) {
    text += QString("\n\nSkipped %1 lines:").arg(read.skipped.size());
    for (std::size_t i = 0; i < read.skipped.size() && i < 20; ++i)
      text += "\n" + qText(read.skipped[i]);
  }
  QMessageBox::information(this, "Import", text);
}

void SuppressionDialog::exportTo(const QString& file) {
  try {
    store::writeFileDurably(
        file.toStdString(),
        consent::suppressionExport(m_list, file.endsWith(".csv", Qt::CaseInsensitive)));
  } catch (const std::exception& e) {
    QMessageBox::warning(this, "Export", QString("The list was not exported: ") + e.what());
  }
}

}  // namespace tidewell::subscribers::ui
