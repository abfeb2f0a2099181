#include "user_panel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "store/profile_rename.h"
#include "subscribers/show_filter.h"
#include "window_rules.h"

namespace tidewell::app {

namespace {

QLabel* namedLabel(const char* name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

}  // namespace

UserPanel::UserPanel(editor::ui::PanelServices services, QWidget* parent)
    : PropertyPanel(std::move(services), parent),
      m_caption(namedLabel("lblCaption", {}, this)),
      m_title(new QLineEdit(this)),
      m_sendRecv(new QPushButton(tr("Send/Recv"), this)),
      m_focus(new editor::ui::FocusEdits(this)),
      m_showFilter(new QComboBox(this)),
      m_count(namedLabel("lblCount", {}, this)),
      m_sentToday(namedLabel("lblSent", {}, this)),
      m_totalSent(namedLabel("lbl_total_emails_sent", {}, this)),
      m_newEmail(new QPushButton(tr("New Email"), this)),
      m_import(new QPushButton(tr("Import CSV..."), this)),
      m_view(new subscribers::ui::SubscriberGridView(this)),
      m_model(new subscribers::ui::SubscriberGridModel(this)),
      m_actions(new subscribers::ui::SubscriberActions(m_view, m_model, this)) {
  setObjectName("frameUserProperties");
  QFont font = m_caption->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.3);
  m_caption->setFont(font);
  m_title->setObjectName("txtUserName");
  m_sendRecv->setObjectName("command99");
  m_showFilter->setObjectName("Combo1");
  m_showFilter->setSizeAdjustPolicy(QComboBox::AdjustToContents);

  m_newEmail->setObjectName("cmdNewEmail");
  m_import->setObjectName("Commandt");
  // Rows keep one fixed height set before the model arrives: measuring a million rows would
  // freeze the window.
  QHeaderView* rows = m_view->verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
  rows->hide();
  m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  // The columns fill the grid's width: the last one takes what is left.
  m_view->horizontalHeader()->setStretchLastSection(true);
  m_view->horizontalHeader()->setHighlightSections(false);
  m_view->setModel(m_model);

  auto* titleRow = new QHBoxLayout;
  titleRow->addWidget(namedLabel("lblUserName", "User Name:", this));
  titleRow->addWidget(m_title, 1);
  titleRow->addWidget(m_sendRecv);
  auto* top = new QHBoxLayout;
  top->addWidget(namedLabel("lblSubscriberList", "Subscriber List:", this));
  top->addWidget(m_showFilter);
  top->addWidget(m_count);
  top->addStretch();
  top->addWidget(m_newEmail);
  top->addWidget(m_import);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(m_sentToday);
  bottom->addSpacing(24);
  bottom->addWidget(m_totalSent);
  bottom->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_caption);
  layout->addLayout(titleRow);
  layout->addLayout(top);
  layout->addWidget(m_view, 1);
  layout->addLayout(bottom);

  setSentCounters(0, 0);
  connect(m_showFilter, &QComboBox::currentIndexChanged, this, &UserPanel::showFilterChosen);
  connect(m_sendRecv, &QPushButton::clicked, this, &UserPanel::sendReceiveRequested);
  connect(m_newEmail, &QPushButton::clicked, m_actions,
          &subscribers::ui::SubscriberActions::newEmail);
  connect(m_import, &QPushButton::clicked, m_actions,
          &subscribers::ui::SubscriberActions::Commandt_Click);
  connect(m_title, &QLineEdit::textEdited, this, [this](const QString& text) {
    renameShownNode(text);
    m_caption->setText(text);
  });
  m_focus->watch(
      m_title, [this] { return m_title->text(); },
      [this](const QString& text, const QString& oldText) { leaveTitle(text, oldText); });
}

void UserPanel::leaveTitle(const QString& text, const QString&) {
  if (!services().profile || text == m_storedTitle) return;
  auto refused =
      store::renameProfileTitle(*services().profile, services().profile->path().parent_path(),
                                m_storedTitle.toStdString(), text.toStdString());
  if (!refused) {
    m_storedTitle = text;
    emit titleRenamed();
    return;
  }
  QMessageBox::warning(this, QString::fromStdString(refused->caption),
                       QString::fromStdString(refused->message));
  renameShownNode(m_storedTitle);
  m_caption->setText(m_storedTitle);
  m_title->setText(m_storedTitle);
}

void UserPanel::showBlock(int index) {
  if (!services().profile) return;
  m_storedTitle = QString::fromStdString(services().profile->GetFromFile_new(index, "title"));
  m_caption->setText(m_storedTitle);
  m_title->setText(m_storedTitle);
  setShownNode(m_storedTitle);
  m_focus->refreshOldText();
}

void UserPanel::attach(subscribers::SubscriberGrid* grid, store::SubscriberFile* file,
                       store::SettingsFile* settings) {
  m_file = file;
  m_settings = settings;
  m_model->setGrid(grid);
  applyColumnWidths();
  updateCount();
  updateHooks();
}

void UserPanel::setWindowHooks(subscribers::ui::SubscriberHooks hooks) {
  m_windowHooks = std::move(hooks);
  updateHooks();
}

void UserPanel::updateHooks() {
  subscribers::ui::SubscriberHooks hooks = m_windowHooks;
  hooks.trap = services().trap;
  hooks.file = m_file;
  hooks.currentWidths = [this] { return currentWidths(); };
  hooks.gridRebuilt = [this] {
    applyColumnWidths();
    updateCount();
  };
  m_actions->setHooks(std::move(hooks));
}

void UserPanel::setCycleBusy(bool busy) {
  // The title names the subscriber file that the cycle saves.
  m_title->setReadOnly(busy);
  m_showFilter->setEnabled(!busy);
  m_newEmail->setEnabled(!busy);
  m_import->setEnabled(!busy);
  m_actions->setBusy(busy);
}

void UserPanel::setShowList(const std::vector<std::string>& list) {
  QString shown = m_showFilter->currentText();
  m_rebuilding = true;
  m_showList = list;
  m_showFilter->clear();
  for (const std::string& entry : list) m_showFilter->addItem(QString::fromStdString(entry));
  int keep = m_showFilter->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
  m_showFilter->setCurrentIndex(keep < 0 ? 0 : keep);
  m_rebuilding = false;
  // A filter that was deleted cannot stay the show filter.
  if (keep < 0 && !shown.isEmpty()) showFilterChosen(0);
}

void UserPanel::showFilterChosen(int position) {
  if (m_rebuilding || !m_model->grid() || position < 0) return;
  auto filter =
      subscribers::ShowFilter::fromListPosition(m_showList, static_cast<std::size_t>(position));
  if (!filter) return;
  std::vector<int> widths = currentWidths();
  m_model->rebuild([&](subscribers::SubscriberGrid& g) {
    subscribers::changeShowFilter(g, std::move(*filter), *m_file, *m_settings, widths);
  });
  applyColumnWidths();
  updateCount();
}

void UserPanel::reloadGrid() {
  m_model->reload();
  applyColumnWidths();
  updateCount();
}

void UserPanel::reloadGridKeepingTop() {
  int top = m_view->verticalScrollBar()->value();
  reloadGrid();
  m_view->verticalScrollBar()->setValue(top);
}

void UserPanel::refreshGrid() {
  m_model->refresh();
  applyColumnWidths();
  updateCount();
}

void UserPanel::setSentCounters(std::int64_t sentToday, std::int64_t totalSent) {
  m_sentToday->setText(QStringLiteral("Emails sent today: %1").arg(sentToday));
  m_totalSent->setText(QStringLiteral("Total Emails Sent: %1").arg(totalSent));
  m_totalSent->setProperty("tag", QString::number(totalSent));
}

std::vector<int> UserPanel::currentWidths() const {
  std::vector<int> widths;
  for (int column = 0; column < m_model->columnCount(); ++column) {
    widths.push_back(pixelsToTwips(m_view->columnWidth(column)));
  }
  return widths;
}

void UserPanel::applyColumnWidths() {
  subscribers::SubscriberGrid* grid = m_model->grid();
  if (!grid) return;
  // Row numbers up to seven digits are shown whole, whatever width was stored.
  const int countWidth = m_view->fontMetrics().horizontalAdvance(QStringLiteral("9999999")) + 14;
  for (std::size_t column = 0; column < grid->columnCount(); ++column) {
    int width = twipsToPixels(grid->columnWidth(column));
    if (grid->columnKind(column) == subscribers::ColumnKind::kCount)
      width = std::max(width, countWidth);
    m_view->setColumnWidth(static_cast<int>(column), width);
  }
}

void UserPanel::updateCount() {
  subscribers::SubscriberGrid* grid = m_model->grid();
  std::uint32_t rows = grid ? grid->rowCount() : 0;
  m_count->setText(rows == 1 ? QStringLiteral("1 subscriber shown")
                             : QStringLiteral("%1 subscribers shown").arg(rows));
}

}  // namespace tidewell::app
