#include "pending_signups_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "store/date_text.h"

namespace tidewell::app {

namespace {

QString dateOrDash(const std::optional<store::Date>& date) {
  return date ? QString::fromStdString(store::shortDateText(*date)) : QStringLiteral("-");
}

QPushButton* namedButton(const QString& text, const char* name) {
  auto* b = new QPushButton(text);
  b->setObjectName(name);
  return b;
}

}  // namespace

PendingSignupsDialog::PendingSignupsDialog(engine::EngineContext& context, QWidget* parent)
    : QDialog(parent),
      m_context(context),
      m_index(context.table, engine::SubscriberIndex::Comparison::kExact),
      m_desk(context, m_index),
      m_list(new QTableWidget(this)) {
  setObjectName("frmPendingSignUps");
  setWindowTitle(tr("Pending Sign-Ups"));
  m_list->setObjectName("grdPending");
  m_list->setColumnCount(6);
  m_list->setHorizontalHeaderLabels({tr("Email"), tr("Filter"), tr("Signed Up"),
                                     tr("Confirmation Sent"), tr("Reminder Sent"),
                                     tr("Dropped On")});
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_list->horizontalHeader()->setStretchLastSection(true);
  m_list->verticalHeader()->hide();
  auto* note = new QLabel(
      tr("These people signed up but have not confirmed yet: they are not subscribers and get "
         "nothing but the confirmation and one reminder."));
  note->setWordWrap(true);
  auto* confirm = namedButton(tr("&Confirm"), "cmdConfirmPending");
  auto* resend = namedButton(tr("&Resend"), "cmdResendPending");
  auto* drop = namedButton(tr("&Drop"), "cmdDropPending");
  m_actions = {confirm, resend, drop};
  auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(confirm);
  buttons->addWidget(resend);
  buttons->addWidget(drop);
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note);
  layout->addWidget(m_list, 1);
  layout->addLayout(buttons);
  resize(760, 380);
  connect(confirm, &QPushButton::clicked, this, [this] { act(Action::kConfirm); });
  connect(resend, &QPushButton::clicked, this, [this] { act(Action::kResend); });
  connect(drop, &QPushButton::clicked, this, [this] { act(Action::kDrop); });
  connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
  fill();
}

PendingSignupsDialog::~PendingSignupsDialog() = default;

void PendingSignupsDialog::fill() {
  const auto& entries = m_desk.pending().entries();
  m_list->setRowCount(static_cast<int>(entries.size()));
  for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
    const consent::PendingSignup& s = entries[static_cast<std::size_t>(row)];
    const store::FilterRecord* f = store::findFilter(m_context.table.filterList(), s.filter);
    std::int32_t dropped = store::toDayNumber(s.date) + (f ? engine::expireDaysOf(*f) : 14);
    QStringList cells{QString::fromStdString(s.address),
                      QString::fromStdString(s.filter),
                      QString::fromStdString(store::shortDateText(s.date)),
                      dateOrDash(s.sent),
                      dateOrDash(s.reminded),
                      QString::fromStdString(store::shortDateText(store::fromDayNumber(dropped)))};
    for (int column = 0; column < cells.size(); ++column)
      m_list->setItem(row, column, new QTableWidgetItem(cells[column]));
  }
  m_list->resizeColumnsToContents();
}

void PendingSignupsDialog::setBusy(bool busy) {
  for (QPushButton* b : m_actions) b->setEnabled(!busy);
  // A cycle may have confirmed, added or dropped sign-ups meanwhile.
  if (!busy) {
    m_context.trap.run(store::windowProcedure("PendingSignUps"), [&] { m_desk.pending().load(); });
    fill();
  }
}

void PendingSignupsDialog::act(Action action) {
  int row = m_list->currentRow();
  const auto& entries = m_desk.pending().entries();
  if (row < 0 || row >= static_cast<int>(entries.size())) return;
  const std::string address = entries[static_cast<std::size_t>(row)].address;
  const std::string filter = entries[static_cast<std::size_t>(row)].filter;
  switch (action) {
    case Action::kConfirm:
      m_confirmed = m_desk.confirm(address, filter, "manual", "") || m_confirmed;
      break;
    case Action::kResend:
      if (consent::PendingSignup* s = m_desk.pending().find(address, filter)) {
        s->sent.reset();
        s->reminded.reset();
        m_desk.pending().markChanged();
      }
      break;
    case Action::kDrop:
      m_desk.drop(address, filter, "dropped by the operator");
      break;
  }
  m_context.trap.run(store::windowProcedure("PendingSignUps"), [&] { m_desk.save(); });
  fill();
}

}  // namespace tidewell::app
