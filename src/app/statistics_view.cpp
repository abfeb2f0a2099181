#include "statistics_view.h"

#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSet>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

#include "stats/statistics_text.h"

namespace tidewell::app {

namespace {

template <typename T>
T* named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QTableWidget* makeTable(const char* name, const QStringList& headers) {
  auto* table = named(new QTableWidget(0, static_cast<int>(headers.size())), name);
  table->setHorizontalHeaderLabels(headers);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->verticalHeader()->hide();
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

QChartView* makeChart(const char* name, const QString& title) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->legend()->setAlignment(Qt::AlignBottom);
  QFont small = chart->legend()->font();
  small.setPointSizeF(small.pointSizeF() * 0.8);
  chart->legend()->setFont(small);
  chart->setMargins(QMargins(2, 2, 2, 2));
  auto* view = named(new QChartView(chart), name);
  view->setRenderHint(QPainter::Antialiasing);
  view->setMinimumHeight(200);
  return view;
}

QString text(const std::string& s) {
  return QString::fromStdString(s);
}

void setRow(QTableWidget* table, int row, const QStringList& cells) {
  for (int c = 0; c < cells.size() && c < table->columnCount(); ++c) {
    auto* item = new QTableWidgetItem(cells[c]);
    if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table->setItem(row, c, item);
  }
}

// Noon of the day in local time, which the date axis shows as that day whatever the zone.
qint64 msecsOfDay(std::int32_t day) {
  return QDateTime(QDate(1970, 1, 1).addDays(day), QTime(12, 0)).toMSecsSinceEpoch();
}

QDateTimeAxis* dayAxis(const stats::Statistics& s) {
  auto* axis = new QDateTimeAxis;
  axis->setFormat("M/d");
  axis->setRange(QDateTime::fromMSecsSinceEpoch(msecsOfDay(s.today - s.periodDays + 1)),
                 QDateTime::fromMSecsSinceEpoch(msecsOfDay(s.today)));
  axis->setTickCount(6);
  return axis;
}

QValueAxis* countAxis(double low, double high) {
  auto* axis = new QValueAxis;
  axis->setRange(std::min(0.0, low), std::max(high, low + 1.0));
  axis->setLabelFormat("%d");
  axis->applyNiceNumbers();
  // Whole numbers only: a small range gets a tick per unit rather than halves.
  const double span = axis->max() - axis->min();
  if (span <= 10) axis->setTickCount(static_cast<int>(span) + 1);
  return axis;
}

// The chart keeps nothing of the figures before.
QChart* emptied(QChartView* view) {
  QChart* chart = view->chart();
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }
  return chart;
}

const stats::ListFigures& shownList(const stats::Statistics& s) {
  return s.lists.size() == 1 ? s.lists.front() : s.whole;
}

}  // namespace

StatisticsView::StatisticsView(QWidget* parent)
    : QWidget(parent),
      m_list(named(new QComboBox, "cboStatsList")),
      m_period(named(new QComboBox, "cboStatsPeriod")),
      m_caption(named(new QLabel, "lblStatsCaption")),
      m_lists(makeTable("gridStatsLists", {"List", "Active", "Inactive", "Pending", "Suppressed",
                                           "Sign-ups", "Opt-outs", "Switch-offs", "Net"})),
      m_growth(makeChart("chartNetGrowth", tr("Net growth"))),
      m_switchOffs(makeChart("chartSwitchOffs", tr("Opt-outs and switch-offs by reason"))),
      m_sends(makeChart("chartSends", tr("Messages sent per day"))),
      m_caps(named(new QLabel, "lblStatsSends")),
      m_newsletters(makeTable("gridStatsNewsletters", {"Newsletter", "List", "Sent"})),
      m_strikes(makeTable("gridStatsStrikes", {"Address", "Strikes", "First", "Last"})) {
  setObjectName("frameStatistics");
  for (int days : stats::kPeriods) m_period->addItem(tr("Last %1 days").arg(days), days);
  auto* refreshButton = named(new QPushButton(tr("&Refresh")), "cmdStatsRefresh");
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(tr("List:")));
  top->addWidget(m_list);
  top->addWidget(m_period);
  top->addWidget(refreshButton);
  top->addWidget(m_caption, 1);
  m_caps->setWordWrap(true);
  auto* grid = new QGridLayout(this);
  grid->addLayout(top, 0, 0, 1, 3);
  grid->addWidget(m_lists, 1, 0, 1, 3);
  grid->addWidget(m_growth, 2, 0);
  grid->addWidget(m_switchOffs, 2, 1);
  grid->addWidget(m_sends, 2, 2);
  grid->addWidget(m_caps, 3, 0, 1, 3);
  grid->addWidget(m_newsletters, 4, 0, 1, 2);
  grid->addWidget(m_strikes, 4, 2);
  grid->setRowStretch(2, 3);
  grid->setRowStretch(4, 2);

  connect(refreshButton, &QPushButton::clicked, this, &StatisticsView::refresh);
  connect(m_list, &QComboBox::activated, this, &StatisticsView::refresh);
  connect(m_period, &QComboBox::activated, this, &StatisticsView::refresh);
  connect(&m_watcher, &QFutureWatcher<stats::Statistics>::finished, this, [this] {
    show(m_watcher.result());
    if (m_again) {
      m_again = false;
      refresh();
    }
  });
}

void StatisticsView::attach(Source source, const std::vector<std::string>& listTitles) {
  m_source = std::move(source);
  QString chosen = m_list->currentText();
  m_list->clear();
  m_list->addItem(tr("All lists"), QString());
  for (const auto& title : listTitles) m_list->addItem(text(title), text(title));
  int again = m_list->findText(chosen);
  m_list->setCurrentIndex(again > 0 ? again : 0);
}

void StatisticsView::refresh() {
  if (!m_source.profile) return;
  if (m_watcher.isRunning()) {
    m_again = true;
    return;
  }
  stats::StatisticsRequest request;
  request.profilePath = m_source.profilePath;
  request.today = m_source.today();
  request.now = m_source.now();
  request.periodDays = m_period->currentData().toInt();
  request.filter = m_list->currentData().toString().toStdString();
  store::ProfileDocument profile = m_source.profile();
  m_caption->setText(tr("Reading..."));
  m_watcher.setFuture(QtConcurrent::run([profile = std::move(profile), request] {
    try {
      return stats::readStatistics(profile, request);
    } catch (const std::invalid_argument&) {
      // The list was deleted meanwhile: every list is shown.
      stats::StatisticsRequest every = request;
      every.filter.clear();
      return stats::readStatistics(profile, every);
    }
  }));
}

void StatisticsView::show(const stats::Statistics& figures) {
  m_shown = figures;
  QString caption =
      tr("%1 on %2").arg(text(figures.profileTitle), text(stats::dayText(figures.today)));
  if (figures.damagedLines > 0) {
    caption += tr(" (%1 damaged lines passed over)").arg(figures.damagedLines);
  }
  m_caption->setText(caption);
  showLists(figures);
  showCharts(figures);
  showSends(figures);
  showNewsletters(figures);
  showStrikes(figures);
  emit refreshed();
}

void StatisticsView::showLists(const stats::Statistics& s) {
  m_lists->setRowCount(static_cast<int>(s.lists.size()) + 1);
  int row = 0;
  auto add = [&](const stats::ListFigures& l, const QString& title) {
    setRow(m_lists, row++,
           {title, QString::number(l.active), QString::number(l.inactive),
            QString::number(l.pending), QString::number(l.suppressed), QString::number(l.signups()),
            QString::number(l.optouts()), QString::number(l.switchOffs()),
            QString::number(l.signups() - l.optouts() - l.switchOffs())});
  };
  for (const auto& l : s.lists) add(l, text(l.title));
  add(s.whole, tr("Whole profile"));
  // Every row in sight without scrolling, up to a handful of lists.
  int rows = std::min(m_lists->rowCount(), 6);
  m_lists->setFixedHeight(m_lists->horizontalHeader()->height() +
                          rows * m_lists->verticalHeader()->defaultSectionSize() + 4);
}

void StatisticsView::showCharts(const stats::Statistics& s) {
  const stats::ListFigures& list = shownList(s);

  QChart* growth = emptied(m_growth);
  auto* net = new QLineSeries;
  net->setName(tr("Net growth since %1").arg(text(stats::dayText(s.today - s.periodDays + 1))));
  std::int64_t total = 0, low = 0, high = 0;
  for (const auto& d : list.days) {
    total += d.net();
    low = std::min(low, total);
    high = std::max(high, total);
    net->append(static_cast<qreal>(msecsOfDay(d.day)), static_cast<qreal>(total));
  }
  growth->addSeries(net);
  QDateTimeAxis* x = dayAxis(s);
  QValueAxis* y = countAxis(static_cast<double>(low), static_cast<double>(high));
  growth->addAxis(x, Qt::AlignBottom);
  growth->addAxis(y, Qt::AlignLeft);
  net->attachAxis(x);
  net->attachAxis(y);

  QChart* offs = emptied(m_switchOffs);
  auto* stacked = new QStackedBarSeries;
  auto* optouts = new QBarSet(tr("opt-out"));
  std::vector<QBarSet*> reasons;
  for (auto name : stats::kSwitchOffNames) reasons.push_back(new QBarSet(text(std::string(name))));
  // A bar per day for a month; a bar per week beyond, which the eye (and the window) can take.
  const std::size_t daysPerBar = s.periodDays <= 31 ? 1 : 7;
  QStringList bars;
  std::int64_t most = 0;
  for (std::size_t from = 0; from < list.days.size(); from += daysPerBar) {
    std::int64_t outs = 0;
    std::vector<std::int64_t> byReason(reasons.size());
    for (std::size_t i = from; i < std::min(from + daysPerBar, list.days.size()); ++i) {
      outs += list.days[i].optouts;
      for (std::size_t r = 0; r < reasons.size(); ++r) byReason[r] += list.days[i].switchOffs[r];
    }
    *optouts << static_cast<qreal>(outs);
    std::int64_t all = outs;
    for (std::size_t r = 0; r < reasons.size(); ++r) {
      *reasons[r] << static_cast<qreal>(byReason[r]);
      all += byReason[r];
    }
    most = std::max(most, all);
    bars << text(stats::dayText(list.days[from].day));
  }
  stacked->append(optouts);
  for (QBarSet* set : reasons) stacked->append(set);
  stacked->setBarWidth(0.9);
  offs->addSeries(stacked);
  auto* categories = new QBarCategoryAxis;
  categories->append(bars);
  // Dates under 30 bars cannot be read at this size: the period is in the title instead.
  categories->setLabelsVisible(false);
  categories->setTitleText(daysPerBar == 1 ? tr("last %1 days").arg(s.periodDays)
                                           : tr("last %1 days, by week").arg(s.periodDays));
  offs->addAxis(categories, Qt::AlignBottom);
  QValueAxis* offY = countAxis(0, static_cast<double>(most));
  offs->addAxis(offY, Qt::AlignLeft);
  stacked->attachAxis(categories);
  stacked->attachAxis(offY);

  QChart* sends = emptied(m_sends);
  auto* sent = new QLineSeries;
  sent->setName(tr("sent"));
  std::int64_t busiest = s.sends.capDay;
  for (std::size_t i = 0; i < s.sends.perDay.size(); ++i) {
    std::int32_t day = s.today - s.periodDays + 1 + static_cast<std::int32_t>(i);
    sent->append(static_cast<qreal>(msecsOfDay(day)), static_cast<qreal>(s.sends.perDay[i]));
    busiest = std::max(busiest, s.sends.perDay[i]);
  }
  sends->addSeries(sent);
  QDateTimeAxis* sx = dayAxis(s);
  QValueAxis* sy = countAxis(0, static_cast<double>(busiest));
  sends->addAxis(sx, Qt::AlignBottom);
  sends->addAxis(sy, Qt::AlignLeft);
  sent->attachAxis(sx);
  sent->attachAxis(sy);
  if (s.sends.capDay > 0) {
    auto* cap = new QLineSeries;
    cap->setName(tr("daily cap"));
    cap->append(sx->min().toMSecsSinceEpoch(), s.sends.capDay);
    cap->append(sx->max().toMSecsSinceEpoch(), s.sends.capDay);
    QPen pen(Qt::red);
    pen.setStyle(Qt::DashLine);
    cap->setPen(pen);
    sends->addSeries(cap);
    cap->attachAxis(sx);
    cap->attachAxis(sy);
  }
}

void StatisticsView::showSends(const stats::Statistics& s) {
  auto against = [](std::int64_t sent, int cap) {
    return cap > 0 ? QString("%1 of %2").arg(sent).arg(cap) : QString::number(sent);
  };
  const auto& f = s.sends;
  QString pause = f.lastPause.empty()
                      ? tr("no pause")
                      : tr("last pause %1: %2").arg(text(f.lastPauseWhen), text(f.lastPause));
  std::int64_t busiestHour = *std::max_element(f.perHour.begin(), f.perHour.end());
  m_caps->setText(tr("Sent in the last minute: %1, hour: %2, day: %3; busiest hour of the last "
                     "day: %4; %5.")
                      .arg(against(f.lastMinute, f.capMinute), against(f.lastHour, f.capHour),
                           against(f.lastDay, f.capDay))
                      .arg(busiestHour)
                      .arg(pause));
}

void StatisticsView::showNewsletters(const stats::Statistics& s) {
  QStringList headers = {tr("Newsletter"), tr("List"), tr("Sent")};
  for (int d = 0; d < stats::kOutlookDays; ++d) {
    headers << (d == 0 ? tr("Due today") : text(stats::dayText(s.today + d)));
  }
  m_newsletters->setColumnCount(static_cast<int>(headers.size()));
  m_newsletters->setHorizontalHeaderLabels(headers);
  m_newsletters->setRowCount(static_cast<int>(s.newsletters.size()));
  for (std::size_t i = 0; i < s.newsletters.size(); ++i) {
    const auto& n = s.newsletters[i];
    QStringList cells = {text(n.title), text(n.filter), QString::number(n.sent)};
    for (std::int64_t due : n.due) cells << QString::number(due);
    setRow(m_newsletters, static_cast<int>(i), cells);
    if (!n.problem.empty())
      m_newsletters->item(static_cast<int>(i), 0)->setToolTip(text(n.problem));
  }
}

void StatisticsView::showStrikes(const stats::Statistics& s) {
  // The most struck first; a long list is cut short so a refresh stays quick.
  constexpr std::size_t kMostRows = 500;
  const std::size_t rows = std::min(s.strikes.size(), kMostRows);
  m_strikes->setHorizontalHeaderItem(
      0, new QTableWidgetItem(rows < s.strikes.size()
                                  ? tr("Address (%1 of %2)").arg(rows).arg(s.strikes.size())
                                  : tr("Address")));
  m_strikes->setRowCount(static_cast<int>(rows));
  for (std::size_t i = 0; i < rows; ++i) {
    const auto& b = s.strikes[i];
    setRow(m_strikes, static_cast<int>(i),
           {text(b.address), QString::number(b.strikes), text(b.first), text(b.last)});
  }
}

}  // namespace tidewell::app
