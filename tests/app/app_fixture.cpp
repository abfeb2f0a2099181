#include "app_fixture.h"

#include <QApplication>
#include <QLineEdit>

namespace tidewell::testing {

std::filesystem::path ProgramFolder::createProfile(const std::string& title) {
  store::NewProfileFields fields = goldFields();
  fields.title = title;
  auto result = store::createProfile(fields, settings, cipher);
  if (!result.profilePath) throw std::runtime_error("the test profile was not written");
  return *result.profilePath;
}

std::string ProgramFolder::setting(const char* key) {
  return store::ProfileStore(settings.path(), trap).GetFromFile_new(store::kProgramBlock, key);
}

std::vector<int> ProgramFolder::addNodes(const std::filesystem::path& profile,
                                         const std::string& kinds) {
  store::ProfileStore store(profile, trap);
  store::ProfileModel model(store);
  std::vector<int> indexes;
  for (char kind : kinds) {
    auto node = kind == 'f' ? model.cmdNewInbound_Click(model.filtersTitle())
                            : model.cmdNewNewsletter_Click(model.newslettersTitle());
    if (!node) throw std::runtime_error("the test node was not added");
    indexes.push_back(node->index);
  }
  return indexes;
}

void SubscriberWindow::writeSubscribers(const std::vector<store::SubscriberData>& records) {
  store::ProfileStore store(profile, program.trap);
  store::SubscriberFile file(program.path(), store, program.trap);
  store::SubscriberTable table;
  for (const auto& r : records) table.add(r);
  if (!file.Save_Email(table)) throw std::runtime_error("the subscribers were not written");
}

void writeLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  writeBytes(path, crlf(lines));
}

void fillWizard(QWidget* wizard, const store::NewProfileFields& f) {
  for (auto [name, value] : {std::pair{"txtProfile", f.title},
                             {"txtEmail", f.email},
                             {"txtReply", f.reply},
                             {"txtPop", f.pop3},
                             {"txtSMTP", f.smtp},
                             {"txtAccount", f.account},
                             {"txtPassword", f.password}}) {
    wizard->findChild<QLineEdit*>(name)->setText(QString::fromStdString(value));
  }
}

std::map<std::string, std::function<std::unique_ptr<QObject>()>>& testClasses() {
  static std::map<std::string, std::function<std::unique_ptr<QObject>()>> classes;
  return classes;
}

store::SubscriberData person(const std::string& first, const std::string& filter,
                             const std::string& active) {
  std::string lower = first;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return {lower + "@x.org", first + " Lee", {2026, 11, 20}, "none", active, filter, ""};
}

SubscriberWindow::SubscriberWindow(const std::string& kinds) {
  nodes = program.addNodes(profile, kinds);
  if (kinds.find('f') != std::string::npos) set(nodes[0], "subject", "join");
}

QStringList columnTexts(const QAbstractItemModel& model, int column) {
  QStringList texts;
  for (int r = 0; r < model.rowCount(); ++r) texts << model.index(r, column).data().toString();
  return texts;
}

std::string SubscriberWindow::get(int index, const char* key) {
  return store::ProfileStore(profile, program.trap).GetFromFile_new(index, key);
}

void SubscriberWindow::set(int index, const char* key, const std::string& value) {
  store::ProfileStore(profile, program.trap).UpdateFile_new(index, key, value);
}

void SubscriberWindow::sendLetter(int newsletter, const std::filesystem::path& letter) {
  set(newsletter, "subject", "Welcome");
  set(newsletter, "location", letter.string());
  set(newsletter, "rule", "Filter_1");
}

void SubscriberWindow::load() {
  window = std::make_unique<app::MainWindow>(program.path());
  window->cycleDriver()->setClientFactory(server.factory());
  window->operatorInterface().setStatusObserver([this](const QString& s) { statuses << s; });
  if (!window->Form_Load()) throw std::runtime_error("the profile did not open");
}

void SubscriberWindow::open() {
  load();
  window->cycleDriver()->timer1()->stop();
  window->cycleDriver()->timer2()->stop();
  if (!showActive(window.get())) throw std::runtime_error("no active window");
}

QPoint SubscriberWindow::rowCentre(int row) const {
  return view()->visualRect(view()->model()->index(row - 1, 1)).center();
}

void SubscriberWindow::select(int row, int otherEnd) const {
  QWidget* viewport = view()->viewport();
  QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier,
                    rowCentre(otherEnd == row ? row : otherEnd));
  if (otherEnd != row)
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, rowCentre(row));
}

void SubscriberWindow::type(QLineEdit* box, const QString& text) const {
  window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window.get()));
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, text);
}

QStringList boxesAfter(const std::function<void()>& act, int button) {
  ModalScript script;
  script.answerBox(button);
  act();
  return script.boxes();
}

void openGridMenu(const SubscriberWindow& w, MenuWay way, int atRow) {
  switch (way) {
    case MenuWay::kRightButton:
      QTest::mouseClick(w.view()->viewport(), Qt::RightButton, Qt::NoModifier, w.rowCentre(atRow));
      break;
    case MenuWay::kMenuKey:
      QTest::keyClick(w.view(), Qt::Key_Menu);
      break;
    case MenuWay::kShiftF10:
      QTest::keyClick(w.view(), Qt::Key_F10, Qt::ShiftModifier);
      break;
  }
}

ModalScript::Step chooseEntry(const QString& menuName, const QString& entry, const QString& text) {
  return [=](QWidget* widget) {
    auto* menu = qobject_cast<QMenu*>(widget);
    if (!menu || menu->objectName() != menuName) return false;
    QAction* chosen = nullptr;
    for (QAction* a : menu->findChildren<QAction*>(entry)) {
      if (!chosen && (text.isEmpty() || a->text() == text)) chosen = a;
    }
    // As a click would: the menu closes, then the entry runs (the menu lives until then).
    QMetaObject::invokeMethod(
        menu,
        [menu, chosen] {
          menu->hide();
          if (chosen) chosen->trigger();
        },
        Qt::QueuedConnection);
    return true;
  };
}

}  // namespace tidewell::testing
