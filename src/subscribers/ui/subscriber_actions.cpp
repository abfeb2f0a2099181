#include "subscribers/ui/subscriber_actions.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>

#include "consent/consent_log.h"
#include "consent/person_record.h"
#include "engine/forced_send.h"
#include "store/text.h"
#include "store/text_file.h"
#include "subscribers/grid_actions.h"
#include "subscribers/show_filter.h"
#include "subscribers/ui/edit_email_dialog.h"
#include "subscribers/ui/new_email_dialog.h"
#include "subscribers/ui/personal_fields_dialog.h"
#include "subscribers/ui/refusal_box.h"

namespace tidewell::subscribers::ui {

namespace {

QAction* namedAction(QMenu* menu, const QString& text, const char* name) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  return action;
}

const char* const kColumnItems[GridColumnTable::kEntryCount] = {
    "tvCount", "tvEmailAddy", "tvName", "tvSignUp", "tvActive", "tvGridFilter"};
const char* const kColumnTexts[GridColumnTable::kEntryCount] = {
    "Count", "Email Address", "Name", "Sign-Up Date", "Active", "Filter"};

}  // namespace

SubscriberActions::SubscriberActions(SubscriberGridView* view, SubscriberGridModel* model,
                                     QWidget* window)
    : QObject(view), m_view(view), m_model(model), m_window(window) {
  connect(view, &SubscriberGridView::menuRequested, this, [this](const QPoint& at) {
    if (std::unique_ptr<QMenu> menu = gridMenu()) menu->exec(at);
  });
  connect(view, &SubscriberGridView::editRequested, this, &SubscriberActions::mnuEdit);
  QHeaderView* header = view->horizontalHeader();
  header->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(header, &QHeaderView::customContextMenuRequested, this, [this, header](const QPoint& at) {
    if (std::unique_ptr<QMenu> menu = columnMenu()) menu->exec(header->mapToGlobal(at));
  });
}

std::unique_ptr<QMenu> SubscriberActions::gridMenu() {
  if (!grid()) return nullptr;
  auto menu = std::make_unique<QMenu>(m_window);
  menu->setObjectName("tvGrid");
  connect(namedAction(menu.get(), "Find", "mnuFind"), &QAction::triggered, this,
          &SubscriberActions::mnuFind);
  QAction* edit = namedAction(menu.get(), "View Sent Newsletters...", "mnuEdit");
  connect(edit, &QAction::triggered, this, &SubscriberActions::mnuEdit);
  connect(namedAction(menu.get(), "View Personal Fields...", "mnuViewPMF"), &QAction::triggered,
          this, &SubscriberActions::mnuViewPMF);
  QAction* toggle = namedAction(menu.get(), "Toggle", "mnuToggle");
  connect(toggle, &QAction::triggered, this, &SubscriberActions::mnuToggle);
  QAction* remove = namedAction(menu.get(), "Delete", "tvDeleteEmail");
  connect(remove, &QAction::triggered, this, &SubscriberActions::tvDeleteEmail);
  QAction* signUp = namedAction(menu.get(), "Modify Sign-Up Date...", "mnuSignUpMod");
  connect(signUp, &QAction::triggered, this, &SubscriberActions::mnuSignUpMod);
  addAssignMenu(menu.get());
  addForcedSendMenu(menu.get());
  addPreviewMenu(menu.get());
  addPersonItems(menu.get());
  menu->addSeparator();
  addColumnItems(menu.get());
  // A check cycle holds the table: what would change it waits, browsing goes on.
  for (QAction* changing : {edit, toggle, remove, signUp}) changing->setEnabled(!m_busy);
  return menu;
}

std::unique_ptr<QMenu> SubscriberActions::columnMenu() {
  if (!grid()) return nullptr;
  auto menu = std::make_unique<QMenu>(m_window);
  menu->setObjectName("mnuColumns");
  addColumnItems(menu.get());
  return menu;
}

void SubscriberActions::addColumnItems(QMenu* menu) {
  const GridColumnTable& columns = grid()->columns();
  for (std::size_t entry = 0; entry < GridColumnTable::kEntryCount; ++entry) {
    QAction* item = namedAction(menu, kColumnTexts[entry], kColumnItems[entry]);
    item->setCheckable(true);
    item->setChecked(columns.entry(entry).isOn());
    connect(item, &QAction::triggered, this, [this, entry] { toggleColumn(entry); });
  }
}

void SubscriberActions::addAssignMenu(QMenu* menu) {
  QMenu* assign = menu->addMenu("Assign to Filter");
  assign->setObjectName("mnuAssign");
  assign->setEnabled(!m_busy);
  const std::vector<store::FilterRecord>& filters = grid()->table().filterList();
  for (const std::string& title : assignToFilterMenu(filters)) {
    QAction* item = namedAction(assign, QString::fromStdString(title), "mnuLevel2");
    if (filters.empty()) continue;  // "No Filters" does nothing
    connect(item, &QAction::triggered, this, [this, title] { mnuLevel2(title); });
  }
}

void SubscriberActions::addForcedSendMenu(QMenu* menu) {
  QMenu* send = menu->addMenu("Forced Send");
  send->setObjectName("mnuForcedSend");
  send->setEnabled(!m_busy);
  std::vector<NewsletterEntry> entries =
      m_hooks.newsletters ? m_hooks.newsletters() : std::vector<NewsletterEntry>();
  if (entries.empty()) namedAction(send, qText(kNoNewsletters), "mnuForcedSend2");
  for (const NewsletterEntry& entry : entries) {
    QAction* item = namedAction(send, QString::fromStdString(entry.title), "mnuForcedSend2");
    connect(item, &QAction::triggered, this,
            [this, index = entry.blockIndex] { mnuForcedSend2(index); });
  }
}

void SubscriberActions::addPersonItems(QMenu* menu) {
  menu->addSeparator();
  QAction* never = namedAction(menu, "Never mail this address", "mnuNeverMail");
  connect(never, &QAction::triggered, this, &SubscriberActions::mnuNeverMail);
  QAction* exportPerson = namedAction(menu, "Export Personal Data...", "mnuExportPerson");
  connect(exportPerson, &QAction::triggered, this, [this] { mnuExportPerson(); });
  QAction* erase = namedAction(menu, "Erase Personal Data...", "mnuErasePerson");
  connect(erase, &QAction::triggered, this, &SubscriberActions::mnuErasePerson);
  for (QAction* changing : {never, erase}) changing->setEnabled(!m_busy);
}

std::vector<std::string> SubscriberActions::selectedAddresses() const {
  std::vector<std::string> addresses;
  if (!currentRecord()) return addresses;
  RowSelection selection = m_view->selection();
  const auto rows = engine::forcedSendRows(static_cast<int>(selection.currentRow),
                                           static_cast<int>(selection.otherEnd));
  for (int row : rows) {
    if (!grid()->rowActionAllowed(static_cast<std::uint32_t>(row))) continue;
    auto p = grid()->recordOfRow(static_cast<std::uint32_t>(row));
    if (!p) continue;
    std::string address(grid()->table().record(*p).email());
    bool known = false;
    for (const auto& a : addresses) known = known || store::equalsIgnoreCase(a, address);
    if (!known && !address.empty()) addresses.push_back(address);
  }
  return addresses;
}

std::filesystem::path SubscriberActions::profilePath() const {
  if (!m_hooks.file) return {};
  std::filesystem::path path = m_hooks.file->path();
  return path.replace_extension(".dat");
}

consent::SuppressionList SubscriberActions::suppressionList() const {
  if (!m_hooks.file) return {};
  return consent::SuppressionList(consent::SuppressionList::pathFor(profilePath()));
}

void SubscriberActions::mnuNeverMail() {
  std::vector<std::string> addresses = selectedAddresses();
  if (addresses.empty() || m_busy || !m_hooks.file) return;
  QString who = addresses.size() == 1 ? qText(addresses.front())
                                      : QString("these %1 addresses").arg(addresses.size());
  if (QMessageBox::question(m_window, "Never mail this address",
                            "Never mail " + who +
                                " again? The address goes on the suppression list: no "
                                "newsletter, forced send or sign-up reaches it in any filter.") !=
      QMessageBox::Yes) {
    return;
  }
  m_hooks.trap->run(store::windowProcedure("mnuNeverMail"), [&] {
    consent::SuppressionList list = suppressionList();
    for (const std::string& a : addresses) list.add(a, m_hooks.trap->clock().today(), "manual");
    list.save();
    m_hooks.trap->ui().showStatus(
        addresses.size() == 1 ? "Never mailed: " + addresses.front()
                              : "Never mailed: " + std::to_string(addresses.size()) + " addresses");
  });
}

void SubscriberActions::mnuExportPerson(const QString& chosen) {
  std::optional<store::Position> p = currentRecord();
  if (!p || !m_hooks.file) return;
  const std::string address(grid()->table().record(*p).email());
  QString file = chosen;
  if (file.isEmpty()) {
    file = QFileDialog::getSaveFileName(m_window, "Export Personal Data", qText(address) + ".json",
                                        "JSON files (*.json)", nullptr,
                                        QFileDialog::DontUseNativeDialog);
  }
  if (file.isEmpty()) return;
  m_hooks.trap->run(store::windowProcedure("mnuExportPerson"), [&] {
    consent::PersonFiles files{profilePath(), m_hooks.trap->logPath().parent_path()};
    store::writeFileDurably(
        file.toStdString(),
        consent::exportPerson(grid()->table(), files, address, m_hooks.trap->clock().today()));
    m_hooks.trap->ui().showStatus("Personal data of " + address + " exported");
  });
}

void SubscriberActions::mnuErasePerson() {
  std::optional<store::Position> p = currentRecord();
  if (!p || m_busy || !m_hooks.file) return;
  const std::string address(grid()->table().record(*p).email());
  if (QMessageBox::question(
          m_window, "Erase Personal Data",
          "Erase everything held about " + qText(address) +
              " in every filter, the pending sign-ups, the bounce counts and the logs? Only a "
              "hash of the address stays, on the suppression list, so that it is never mailed "
              "again. This cannot be undone.") != QMessageBox::Yes) {
    return;
  }
  int top = m_view->topRow();
  m_hooks.trap->run(store::windowProcedure("mnuErasePerson"), [&] {
    consent::PersonFiles files{profilePath(), m_hooks.trap->logPath().parent_path()};
    consent::Erasure erasure = consent::erasePerson(*m_hooks.trap, grid()->table(), files, address);
    m_hooks.file->Save_Email(grid()->table());
    m_hooks.trap->ui().showStatus("Erased " + std::to_string(erasure.records.size()) +
                                  " records and " + std::to_string(erasure.linesRemoved) +
                                  " log lines");
  });
  reloadGrid(top);
}

void SubscriberActions::addPreviewMenu(QMenu* menu) {
  QMenu* preview = menu->addMenu("Preview Newsletter");
  preview->setObjectName("mnuPreview");
  std::vector<NewsletterEntry> entries =
      m_hooks.newsletters ? m_hooks.newsletters() : std::vector<NewsletterEntry>();
  if (entries.empty()) namedAction(preview, qText(kNoNewsletters), "mnuPreview2");
  for (const NewsletterEntry& entry : entries) {
    QAction* item = namedAction(preview, QString::fromStdString(entry.title), "mnuPreview2");
    connect(item, &QAction::triggered, this,
            [this, index = entry.blockIndex] { mnuPreview2(index); });
  }
}

void SubscriberActions::mnuPreview2(int blockIndex) {
  std::optional<store::Position> p = currentRecord();
  if (p && m_hooks.preview) m_hooks.preview(*p, blockIndex);
}

std::optional<store::Position> SubscriberActions::currentRecord() const {
  if (!grid() || !m_hooks.trap) return std::nullopt;
  std::uint32_t row = m_view->selection().currentRow;
  if (!grid()->rowActionAllowed(row)) return std::nullopt;
  return grid()->recordOfRow(row);
}

void SubscriberActions::rowsRebuilt(int topRow) {
  m_model->refresh();
  if (m_hooks.gridRebuilt) m_hooks.gridRebuilt();
  m_view->setTopRow(topRow);
}

void SubscriberActions::reloadGrid(int topRow) {
  m_model->reload();
  if (m_hooks.gridRebuilt) m_hooks.gridRebuilt();
  m_view->setTopRow(topRow);
}

void SubscriberActions::mnuFind() {
  if (!grid() || !m_hooks.trap) return;
  if (!m_find) {
    m_find = new FindDialog(m_hooks.trap->ui(), m_window);
    m_find->setShowRow([this](int row) { m_view->selectRowAtTop(row); });
  }
  m_find->setGrid(grid());
  m_find->open();
}

void SubscriberActions::mnuEdit() {
  std::optional<store::Position> p = currentRecord();
  if (!p || m_busy) return;
  int top = m_view->topRow();
  EditEmailDialog dialog(*m_hooks.trap, grid()->table(), *p, m_window);
  dialog.exec();
  if (!grid()->table().changed()) return;
  reloadGrid(top);
}

void SubscriberActions::mnuViewPMF() {
  std::optional<store::Position> p = currentRecord();
  if (!p) return;
  PersonalFieldsDialog dialog(subscribers::mnuViewPMF(grid()->table(), *p), m_window);
  dialog.exec();
}

void SubscriberActions::mnuToggle() {
  if (!grid() || !m_hooks.trap || m_busy) return;
  subscribers::mnuToggle(*m_hooks.trap, *grid(), m_view->selection());
  m_model->cellsChanged();
}

void SubscriberActions::tvDeleteEmail() {
  if (!grid() || !m_hooks.trap || !m_hooks.file || m_busy) return;
  int top = m_view->topRow();
  if (!subscribers::tvDeleteEmail(*m_hooks.trap, *grid(), *m_hooks.file, m_view->selection())) {
    return;
  }
  rowsRebuilt(grid()->rowCount() == 0 ? 1 : top);
}

void SubscriberActions::mnuSignUpMod() {
  if (!currentRecord() || m_busy) return;
  RowSelection selection = m_view->selection();
  int top = m_view->topRow();
  QInputDialog ask(m_window);
  ask.setObjectName("InputBox");
  ask.setWindowTitle(qText(kSignUpCaption));
  ask.setLabelText(qText(kSignUpPrompt));
  if (ask.exec() != QDialog::Accepted || ask.textValue().trimmed().isEmpty()) return;
  auto refusal = subscribers::mnuSignUpMod(*m_hooks.trap, *grid(), selection,
                                           ask.textValue().trimmed().toStdString());
  if (refusal) {
    showRefusal(m_window, *refusal);
    return;
  }
  rowsRebuilt(top);
  m_view->selectRows(static_cast<int>(selection.currentRow), static_cast<int>(selection.otherEnd));
}

void SubscriberActions::mnuLevel2(const std::string& filterTitle) {
  if (!grid() || !m_hooks.trap || m_busy) return;
  if (subscribers::mnuLevel2(*m_hooks.trap, *grid(), m_view->selection(), filterTitle)) {
    m_model->cellsChanged();
  }
}

void SubscriberActions::mnuForcedSend2(int blockIndex) {
  if (!currentRecord() || m_busy || !m_hooks.forcedSend) return;
  if (grid()->table().filterList().empty()) return;
  RowSelection selection = m_view->selection();
  if (!m_hooks.trap->ui().askYesNo("Are you sure?", "Force Send a Message")) return;
  std::vector<store::Position> positions;
  for (int row : engine::forcedSendRows(static_cast<int>(selection.currentRow),
                                        static_cast<int>(selection.otherEnd))) {
    if (auto p = grid()->recordOfRow(static_cast<std::uint32_t>(row))) positions.push_back(*p);
  }
  m_hooks.forcedSend(positions, blockIndex);
  m_model->cellsChanged();
}

void SubscriberActions::toggleColumn(std::size_t entry) {
  if (!grid()) return;
  int top = m_view->topRow();
  std::vector<int> widths = m_hooks.currentWidths ? m_hooks.currentWidths() : std::vector<int>();
  grid()->columns().toggle(entry, widths);
  reloadGrid(top);
}

void SubscriberActions::newEmail() {
  if (!grid() || !m_hooks.trap || m_busy) return;
  int top = m_view->topRow();
  store::SubscriberTable& table = grid()->table();
  if (NewEmailDialog::run(*m_hooks.trap, table, m_window, suppressionList()) && m_hooks.file) {
    const store::Clock& clock = m_hooks.trap->clock();
    std::string address(table.record(table.size() - 1).email());
    std::string filter(table.filterTitle(table.size() - 1));
    m_hooks.trap->run(store::windowProcedure("NewEmail"), [&] {
      consent::appendConsentOfAll(m_hooks.file->path().parent_path(), {address}, filter, "manual",
                                  store::shortDateText(clock.today()), clock.timeText());
    });
  }
  reloadGrid(top);
}

void SubscriberActions::Commandt_Click() {
  if (!grid() || !m_hooks.trap || m_busy) return;
  if (!m_csv) m_csv = new LoadCsvDialog(*m_hooks.trap, m_window);
  if (m_hooks.file) m_csv->setConsentFolder(m_hooks.file->path().parent_path());
  m_csv->attach(&grid()->table(), m_hooks.fieldDelimiter ? m_hooks.fieldDelimiter() : "~");
  if (m_hooks.file)
    m_csv->setSuppressionFile(consent::SuppressionList::pathFor(m_hooks.file->path()));
  m_csv->setDueAtSignUp(m_hooks.dueAtSignUp);
  int top = m_view->topRow();
  m_csv->exec();
  if (!m_csv->imported()) return;
  reloadGrid(top);
}

}  // namespace tidewell::subscribers::ui
