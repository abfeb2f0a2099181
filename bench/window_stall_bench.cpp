// The window at the scale of a large list: a profile with 1,000,000 subscribers is opened in
// the main window (against the in-memory mail server), and the longest stall of the event loop
// (the longest gap between two ticks of a 10 ms timer) is printed while
//   a sending pass sends 1,000 messages,
//   a check cycle captures one sign-up and saves,
//   the grid's show filter changes (with the table changed, so it saves first),
//   10,000 selected rows are toggled,
//   the statistics view reads a year of logs and the subscribers and shows them,
// beside the time the same save takes when it writes on the window's own thread, which is
// how long the window froze before saves moved off it. Also the open-to-grid time.
//
//   QT_QPA_PLATFORM=offscreen build/bench/window_stall_bench [RECORDS]

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "cipher/dated_password_cipher.h"
#include "engine/rule_line.h"
#include "mail/fake_mail_server.h"
#include "main_window.h"
#include "store/clock.h"
#include "store/date_text.h"
#include "store/error_trap.h"
#include "store/operator_interface.h"
#include "store/pmf_string.h"
#include "store/profile_model.h"
#include "store/profile_store.h"
#include "store/settings_file.h"

namespace {

using namespace tidewell;

// The longest gap between two ticks of a 10 ms timer while an operation runs, in ms.
double longestStall(const std::function<void()>& operation) {
  QElapsedTimer clock;
  QTimer ticks;
  ticks.setTimerType(Qt::PreciseTimer);
  ticks.setInterval(10);
  qint64 last = 0;
  qint64 worst = 0;
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    qint64 now = clock.nsecsElapsed();
    worst = std::max(worst, now - last);
    last = now;
  });
  clock.start();
  ticks.start();
  operation();
  // The gap that the operation's own end leaves is counted too.
  qint64 now = clock.nsecsElapsed();
  worst = std::max(worst, now - last);
  return static_cast<double>(worst) / 1e6;
}

double millisecondsOf(const std::function<void()>& operation) {
  QElapsedTimer clock;
  clock.start();
  operation();
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void writeSubscriberFile(const std::filesystem::path& path, int records) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  std::string record;
  for (int i = 0; i < records; ++i) {
    std::string email = "reader" + std::to_string(i) + "@example" + std::to_string(i % 50) + ".com";
    std::string name = "Reader " + std::to_string(i);
    std::string pmf;
    store::appendPmf(pmf, {{0, "email", email}, {1, "name", name}});
    // One subscriber in a thousand is on the list the sending pass mails.
    std::string filter = i % 1000 == 0 ? "Filter_2" : "Filter_1";
    record = email + "\r\n" + name + "\r\n" + "3/1/2025\r\nnone\r\ntrue\r\n" + filter + "\r\n" +
             pmf + "\r\n\r\n";
    std::fwrite(record.data(), 1, record.size(), out);
  }
  std::fclose(out);
}

// A year of sends (one per subscriber) and switch-offs for the statistics view.
void writeYearOfLogs(const std::filesystem::path& folder, int records) {
  std::ofstream activity(folder / "activity.log", std::ios::binary);
  std::ofstream deactivated(folder / "deactivated.log", std::ios::binary);
  std::int32_t today = store::toDayNumber(store::SystemClock().today());
  for (int day = 364; day >= 0; --day) {
    std::string date = store::shortDateText(store::fromDayNumber(today - day));
    for (int k = 0; k < records / 365; ++k) {
      activity << "message sent:\treader" << k << "@example.com\tNews\t" << date
               << "\t10:00:00 AM\r\n";
    }
    for (int k = 0; k < records / 3650; ++k) {
      deactivated << date << "\t10:00:00 AM\treader" << k << "@example.com\tFilter_1\t"
                  << (k % 2 ? "opt-out" : "bounce: permanent failure") << "\t-\t-\r\n";
    }
  }
}

// A profile "Gold" with two sign-up filters and a newsletter to every subscriber of the second.
std::filesystem::path writeProfile(const std::filesystem::path& folder, int records) {
  store::SilentOperator ui;
  store::SystemClock clock;
  store::ErrorTrap trap(folder, ui, clock);
  cipher::DatedPasswordCipher cipher(trap);
  store::SettingsFile settings(folder, trap);
  store::NewProfileFields fields{"Gold",
                                 "list@example.com",
                                 "reply@example.com",
                                 "pop.example.com",
                                 "smtp.example.com",
                                 "list",
                                 "secret"};
  std::filesystem::path profile = *store::createProfile(fields, settings, cipher).profilePath;
  store::ProfileStore store(profile, trap);
  store::ProfileModel model(store);
  for (const char* keyword : {"join", "vip"}) {
    int index = model.cmdNewInbound_Click(model.filtersTitle())->index;
    store.UpdateFile_new(index, "subject", keyword);
    store.UpdateFile_new(index, "rule1", engine::makeRuleLine("Subject", "Has", keyword, ""));
    store.UpdateFile_new(index, "toname", "~name~");
  }
  std::filesystem::path body = folder / "letter.html";
  std::ofstream(body) << "<html><body><p>Dear ~name~, the news.</p></body></html>";
  int letter = model.cmdNewNewsletter_Click(model.newslettersTitle())->index;
  store.UpdateFile_new(letter, "subject", "News for ~name~");
  store.UpdateFile_new(letter, "location", body.string());
  store.UpdateFile_new(letter, "rule", "Filter_2");
  store.UpdateFile_new(letter, "days", "All");
  writeSubscriberFile(folder / "Gold.txt", records);
  writeYearOfLogs(folder, records);
  return profile;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  int records = argc > 1 ? std::stoi(argv[1]) : 1'000'000;
  std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                 ("tidewell-stall-bench-" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(folder);
  writeProfile(folder, records);

  mail::FakeMailServer server;
  server.keepSent = false;
  std::unique_ptr<app::MainWindow> window;
  double open = millisecondsOf([&] {
    window = std::make_unique<app::MainWindow>(folder);
    window->cycleDriver()->setClientFactory(server.factory());
    window->Form_Load();
    window->show();
    QApplication::processEvents();
  });
  // Timed cycles would start on their own; the benchmark starts each operation itself.
  window->cycleDriver()->timer1()->stop();
  window->cycleDriver()->timer2()->stop();
  std::printf("subscribers %zu, open to grid: %.0f ms\n", window->session()->table().size(), open);

  // Send/Recv arms the scheduler; the next tick of Timer1 runs the cycle.
  auto runCycle = [&] {
    window->cycleDriver()->mnuSendRecv_Click();
    window->cycleDriver()->timer1Tick();
  };
  double send = longestStall(runCycle);
  std::printf("(b) sending pass, %zu messages sent: longest stall %.1f ms\n", server.sendCount,
              send);

  mail::IncomingMessage signup;
  signup.uidl = "signup-1";
  signup.subject = "join";
  signup.body = "Hello";
  signup.senderAddress = "new.reader@example.org";
  signup.senderName = "New Reader";
  server.add(signup);
  std::size_t before = window->session()->table().size();
  double cycle = longestStall(runCycle);
  std::printf("(a) check cycle capturing %zu sign-up and saving: longest stall %.1f ms\n",
              window->session()->table().size() - before, cycle);

  auto* combo = window->findChild<QComboBox*>("Combo1");
  app::ProfileSession& session = *window->session();
  session.table().setChanged();
  double show = longestStall([&] { combo->setCurrentIndex(1); });
  std::printf("(c) show filter changed, table saved first: longest stall %.1f ms\n", show);

  // The grid's menu is built when it opens: its Toggle entry runs this action.
  subscribers::ui::SubscriberGridView* view = window->userPanel()->gridView();
  view->selectRows(10'000, 1);
  double toggled = longestStall([&] { window->userPanel()->actions()->mnuToggle(); });
  std::printf("(d) %u selected rows toggled: longest stall %.1f ms\n", view->selection().currentRow,
              toggled);

  // The statistics tab over a year: read on a worker, charts and tables filled on the window's
  // thread.
  app::StatisticsView* statistics = window->statisticsView();
  statistics->findChild<QComboBox*>("cboStatsPeriod")->setCurrentIndex(2);
  QElapsedTimer shown;
  double refreshed = longestStall([&] {
    QEventLoop wait;
    QObject::connect(statistics, &app::StatisticsView::refreshed, &wait, &QEventLoop::quit);
    shown.start();
    window->tabs()->setCurrentWidget(statistics);
    wait.exec();
  });
  std::printf("(e) statistics view refreshed (365 days, %.0f ms to show): longest stall %.1f ms\n",
              static_cast<double>(shown.elapsed()), refreshed);
  window->tabs()->setCurrentIndex(0);

  // The reference: the same save written on the window's own thread.
  session.table().setChanged();
  session.subscriberFile().setWriteRunner({});
  double inPlace = millisecondsOf([&] { session.subscriberFile().Save_Email(session.table()); });
  std::printf("reference: the same save on the window's thread: %.0f ms (%.1fx (c)'s stall)\n",
              inPlace, inPlace / show);

  window->close();
  window.reset();
  std::filesystem::remove_all(folder);
  return 0;
}
