#pragma once
// The Statistics tab of the main window (`frameStatistics`): per list the subscribers active,
// inactive, pending and suppressed; charts of net growth, switch-offs by reason and sends
// against the daily cap; sends against the caps and the last pause; the newsletters' outlook
// and the addresses with bounce strikes. The files are read on a worker thread; only the
// filling of the widgets happens on the user-interface thread, which owns the view.
#include <QComboBox>
#include <QFutureWatcher>
#include <QLabel>
#include <QTableWidget>
#include <QWidget>
#include <filesystem>
#include <functional>

#include "stats/statistics.h"
#include "stats/statistics_reader.h"
#include "store/profile_document.h"

class QChartView;

namespace tidewell::app {

class StatisticsView : public QWidget {
  Q_OBJECT

 public:
  // What a reading needs, asked for at each refresh: the profile as it stands, its path, today.
  struct Source {
    std::function<store::ProfileDocument()> profile;
    std::filesystem::path profilePath;
    std::function<store::Date()> today;
    std::function<std::int64_t()> now;
  };

  explicit StatisticsView(QWidget* parent = nullptr);

  // A profile was opened (or closed: an empty source): the lists are offered anew.
  void attach(Source source, const std::vector<std::string>& listTitles);
  // Reads the files again off this thread; a refresh asked for while one runs follows it.
  void refresh();
  bool reading() const { return m_watcher.isRunning(); }
  const stats::Statistics& shown() const { return m_shown; }

 signals:
  // The figures of a refresh are on screen.
  void refreshed();

 private:
  void show(const stats::Statistics& figures);
  void showLists(const stats::Statistics& figures);
  void showCharts(const stats::Statistics& figures);
  void showSends(const stats::Statistics& figures);
  void showNewsletters(const stats::Statistics& figures);
  void showStrikes(const stats::Statistics& figures);

  Source m_source;
  QComboBox* m_list;
  QComboBox* m_period;
  QLabel* m_caption;
  QTableWidget* m_lists;
  QChartView* m_growth;
  QChartView* m_switchOffs;
  QChartView* m_sends;
  QLabel* m_caps;
  QTableWidget* m_newsletters;
  QTableWidget* m_strikes;
  QFutureWatcher<stats::Statistics> m_watcher;
  stats::Statistics m_shown;
  bool m_again = false;  // a refresh was asked for while one was reading
};

}  // namespace tidewell::app
