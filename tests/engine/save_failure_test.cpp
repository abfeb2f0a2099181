// Every kind of save meets a full disk (a file-size limit, and a real full tmpfs where the
// superuser may mount one) and a read-only folder: the file stays as it was, with no torn last
// line, the error is told where it can be (the error log, else the status), and the next save
// succeeds once the trouble is gone.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <memory>

#include "../subscribers/subscriber_fixture.h"
#include "engine/log_appender.h"
#include "engine/rule_line.h"
#include "engine_fixture.h"
#include "store/profile_model.h"
#include "store/send_journal.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

enum class Trouble { kFileSizeLimit, kFullDisk, kReadOnly };

// A small tmpfs of its own, mounted by the superuser; unusable (mounted() false) elsewhere.
class SmallDisk {
 public:
  explicit SmallDisk(const fs::path& at) : m_at(at) {
    fs::create_directory(m_at);
    m_mounted = geteuid() == 0 && mount("tmpfs", m_at.c_str(), "tmpfs", 0, "size=256k") == 0;
  }
  ~SmallDisk() {
    if (m_mounted) umount2(m_at.c_str(), MNT_DETACH);
  }
  bool mounted() const { return m_mounted; }
  void setReadOnly(bool readOnly) {
    mount(nullptr, m_at.c_str(), nullptr, MS_REMOUNT | (readOnly ? MS_RDONLY : 0), "size=256k");
  }
  // Takes every free byte.
  void fill() {
    std::ofstream filler(m_at / "filler", std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) filler.flush();
  }
  void unfill() { fs::remove(m_at / "filler"); }

 private:
  fs::path m_at;
  bool m_mounted = false;
};

// The folder the saves go to, the error log (there or elsewhere) and the store objects.
struct Place {
  Place(Trouble trouble, bool logThere)
      : disk(top / "disk"),
        folder(trouble == Trouble::kFileSizeLimit ? top / "plain" : top / "disk"),
        trap(logThere ? folder : elsewhere.path(), ui, clock),
        profile(elsewhere / "Gold.dat", trap),
        subscribers(folder, profile, trap) {
    fs::create_directories(folder);
    std::vector<std::string> lines = store::newProfileSkeleton();
    lines[3] = "title: Gold";
    store::writeLinesDurably(elsewhere / "Gold.dat", lines);
  }
  std::vector<std::string> log() const {
    return fs::exists(trap.logPath()) ? store::splitLines(readBytes(trap.logPath()))
                                      : std::vector<std::string>();
  }

  TempFolder top;
  TempFolder elsewhere;
  SmallDisk disk;
  fs::path folder;
  RecordingOperator ui;
  FixedClock clock;
  store::ErrorTrap trap;
  store::ProfileStore profile;
  store::SubscriberFile subscribers;
  std::string line;  // what the last append added
};

struct SaveKind {
  const char* name;
  const char* file;
  bool append;    // an append, or a rewrite through the work file
  bool logThere;  // the error log is the file saved
  // A file of this kind of about `size` bytes (exactly, for appends).
  std::function<std::string(std::size_t size)> content;
  std::function<bool(Place&)> save;
  // After a save that succeeded: a rewrite holds its change (appends are checked by bytes).
  std::function<bool(Place&)> holdsChange;
};

// A line of exactly `size` bytes with its CR LF: head, padding, tail.
std::string lineOfSize(const std::string& head, const std::string& tail, std::size_t size) {
  return head + std::string(size - head.size() - tail.size() - 2, 'p') + tail + "\r\n";
}

std::string linesOfSize(const std::string& head, const std::string& tail, std::size_t size) {
  std::string text;
  const std::size_t each = 100;
  while (size - text.size() >= 2 * each) text += lineOfSize(head, tail, each);
  return text + lineOfSize(head, tail, size - text.size());
}

std::string subscriberFileOf(std::size_t size) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; lines.size() * 40 < size; ++i) {
    auto record = recordLines("s" + std::to_string(i) + "@example.org", "Sam");
    lines.insert(lines.end(), record.begin(), record.end());
  }
  return crlf(lines);
}

const std::vector<SaveKind>& saveKinds() {
  static const std::vector<SaveKind> kinds = {
      {"profile edit", "Gold.dat", false, false,
       [](std::size_t size) {
         std::vector<std::string> lines = store::newProfileSkeleton();
         lines[3] = "title: Gold";
         lines.insert(lines.begin() + 4, "body: " + std::string(size, 'b'));
         return crlf(lines);
       },
       [](Place& p) {
         return store::ProfileStore(p.folder / "Gold.dat", p.trap)
             .UpdateFile_new(2, "pop3", std::string(200, 'n'));
       },
       [](Place& p) {
         return store::ProfileStore(p.folder / "Gold.dat", p.trap).GetFromFile_new(2, "pop3") ==
                std::string(200, 'n');
       }},
      {"subscriber save", "Gold.txt", false, false, subscriberFileOf,
       [](Place& p) {
         store::SubscriberTable table;
         if (!p.subscribers.LoadSubscriberFile(table)) return false;
         table.add(subscriber("new@example.org", std::string(200, 'N')));
         return p.subscribers.Save_Email(table);
       },
       [](Place& p) {
         store::SubscriberTable table;
         return p.subscribers.LoadSubscriberFile(table) &&
                table.record(table.size() - 1).email() == "new@example.org";
       }},
      {"send journal append", "Gold.sent", true, false,
       [](std::size_t size) {
         return linesOfSize("s@example.org\t", "\t12/5/2026\t9:00 AM", size);
       },
       [](Place& p) {
         store::SendJournal journal(p.folder / "Gold.sent");
         std::string problem;
         p.line = "new@example.org\tWelcome\t12/5/2026\t1:02:03 PM\r\n";
         if (journal.append("new@example.org", "Welcome", "12/5/2026", "1:02:03 PM", &problem))
           return true;
         p.trap.report(store::numberedProcedure("VBSendMessage"), {75, problem});
         return false;
       },
       nullptr},
      {"error log append", "errlog.txt", true, true,
       [](std::size_t size) { return linesOfSize("Save_Email:12/5/2026 ", " 61 x", size); },
       [](Place& p) {
         const std::size_t failures = p.ui.statuses.size();
         p.line = "Save_Email:12/5/2026 1:02:03 PM 61 The disk is full\r\n";
         p.trap.report(store::Procedure{"Save_Email"}, {61, "The disk is full"});
         return p.ui.statuses.back().find("the error log cannot be written") == std::string::npos &&
                p.ui.statuses.size() == failures + 1;
       },
       nullptr},
      {"activity log append", "activity.log", true, false,
       [](std::size_t size) {
         return linesOfSize("message sent:\ts@example.org\t", "\tWelcome", size);
       },
       [](Place& p) {
         const std::size_t reports = p.trap.reportCount();
         p.line = "message sent:\tnew@example.org\tWelcome\t12/5/2026\t1:02:03 PM\r\n";
         engine::LogAppender(p.folder / "activity.log", p.trap)
             .append(p.line.substr(0, p.line.size() - 2));
         return p.trap.reportCount() == reports;
       },
       nullptr},
  };
  return kinds;
}

// Equal bytes; on a difference, the sizes and the last bytes of each rather than whole files.
::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  auto tail = [](const std::string& s) { return s.substr(s.size() < 80 ? 0 : s.size() - 80); };
  return ::testing::AssertionFailure()
         << actual.size() << " bytes ending \"" << tail(actual) << "\", expected "
         << expected.size() << " ending \"" << tail(expected) << "\"";
}

struct TroubleCase {
  Trouble trouble;
  const char* name;
};

class SaveFailure : public ::testing::TestWithParam<TroubleCase> {};

// Puts the trouble in place, tries one save, lifts the trouble; the reason the system gave.
std::string saveInTrouble(Trouble trouble, Place& place, const SaveKind& kind, bool& saved) {
  fs::path file = place.folder / kind.file;
  switch (trouble) {
    case Trouble::kFileSizeLimit: {
      FileSizeLimit limit(fs::file_size(file) + 10);  // a line begun is cut short
      saved = kind.save(place);
      return std::strerror(EFBIG);
    }
    case Trouble::kFullDisk:
      place.disk.fill();
      saved = kind.save(place);
      place.disk.unfill();
      return std::strerror(ENOSPC);
    case Trouble::kReadOnly:
      if (place.disk.mounted()) {
        place.disk.setReadOnly(true);
        saved = kind.save(place);
        place.disk.setReadOnly(false);
        return std::strerror(EROFS);
      }
      fs::permissions(place.folder, fs::perms(0555));
      fs::permissions(file, fs::perms(0444));
      saved = kind.save(place);
      fs::permissions(place.folder, fs::perms(0700));
      fs::permissions(file, fs::perms(0600));
      return std::strerror(EACCES);
  }
  return {};
}

TEST_P(SaveFailure, EveryKindOfSaveKeepsTheOldFileSaysWhyAndSucceedsOnceTheTroubleIsGone) {
  const Trouble trouble = GetParam().trouble;
  for (const SaveKind& kind : saveKinds()) {
    SCOPED_TRACE(kind.name);
    Place place(trouble, kind.logThere);
    if (trouble != Trouble::kFileSizeLimit && !place.disk.mounted() &&
        (trouble == Trouble::kFullDisk || geteuid() == 0)) {
      GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    fs::path file = place.folder / kind.file;
    // On the tmpfs the file ends 10 bytes short of a page, so an append fills that first.
    writeBytes(file, kind.content(trouble == Trouble::kFileSizeLimit ? 2000 : 4086));
    const std::string before = readBytes(file);

    bool saved = true;
    const std::string reason = saveInTrouble(trouble, place, kind, saved);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(sameBytes(readBytes(file), before));
    EXPECT_FALSE(fs::exists(store::workFilePath(file)));
    if (kind.logThere) {
      EXPECT_THAT(place.ui.statuses.back(),
                  HasSubstr("; the error log cannot be written (Cannot "));
      EXPECT_THAT(place.ui.statuses.back(), HasSubstr(reason));
    } else {
      ASSERT_FALSE(place.log().empty());
      EXPECT_THAT(place.log().back(), HasSubstr(kind.file));
      EXPECT_THAT(place.log().back(), HasSubstr(reason));
    }

    EXPECT_TRUE(kind.save(place));
    if (kind.append) {
      EXPECT_TRUE(sameBytes(readBytes(file), before + place.line));
    } else {
      EXPECT_TRUE(kind.holdsChange(place));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Troubles, SaveFailure,
                         ::testing::Values(TroubleCase{Trouble::kFileSizeLimit, "FileSizeLimit"},
                                           TroubleCase{Trouble::kFullDisk, "FullTmpfs"},
                                           TroubleCase{Trouble::kReadOnly, "ReadOnlyFolder"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The send journal is folded into the subscriber file by a save; on a full disk it must stay
// until a subscriber file holding its lines is safely written, whichever write fails.
class JournalFoldOnAFullDisk : public SubscriberFixture {
 protected:
  store::SendJournal& journal() { return store::SendJournal::forSubscriberFile(subscriberPath()); }
  fs::path sent() const { return folder / "Gold.sent"; }
  fs::path folding() const { return folder / "Gold.sent.folding"; }
  std::string sentListOf(const std::string& address) {
    store::SubscriberTable fresh;
    EXPECT_TRUE(file.LoadSubscriberFile(fresh));
    for (store::Position p = 0; p < fresh.size(); ++p) {
      if (fresh.record(p).email() == address) return std::string(fresh.record(p).sentList());
    }
    return "?";
  }
};

TEST_F(JournalFoldOnAFullDisk, TheJournalStaysUntilTheSubscriberFileHoldsIt) {
  struct Case {
    const char* what;
    int records;       // in the subscriber file
    int foldedBefore;  // lines an earlier, unfinished save left folded
    bool foldFails;    // the limit stops the fold's own append, else the subscriber file
  };
  const Case cases[] = {{"the subscriber file cannot be written", 60, 0, false},
                        {"the unfinished fold cannot take the journal", 2, 40, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const fs::path& p : {sent(), folding(), subscriberPath()}) fs::remove(p);
    std::vector<std::string> lines;
    for (int i = 0; i < c.records; ++i) {
      auto record = recordLines("s" + std::to_string(i) + "@x.com", "Sam");
      lines.insert(lines.end(), record.begin(), record.end());
    }
    for (const char* address : {"ann@x.com", "bob@x.com"}) {
      auto record = recordLines(address, "Ann");
      lines.insert(lines.end(), record.begin(), record.end());
    }
    writeSubscribers(lines);
    if (c.foldedBefore > 0)
      writeBytes(folding(), linesOfSize("old@x.com\tOld\t", "\t9:00 AM", c.foldedBefore * 100));
    ASSERT_TRUE(journal().append("ann@x.com", "Welcome", "12/5/2026", "9:00 AM"));
    ASSERT_TRUE(file.LoadSubscriberFile(table));
    const std::string before = readBytes(subscriberPath());
    const std::string foldedBytes = fs::exists(folding()) ? readBytes(folding()) : "";
    {
      FileSizeLimit limit(c.foldFails ? foldedBytes.size() + 10 : before.size() / 2);
      EXPECT_FALSE(file.Save_Email(table));
      // Sends go on being journaled meanwhile.
      ASSERT_TRUE(journal().append("bob@x.com", "Tips", "12/5/2026", "9:01 AM"));
    }
    EXPECT_TRUE(sameBytes(readBytes(subscriberPath()), before));
    if (c.foldFails) EXPECT_TRUE(sameBytes(readBytes(folding()), foldedBytes));
    // A load now (after a crash, say) still finds every send.
    EXPECT_EQ(sentListOf("ann@x.com"), "Welcome[\\?]");
    EXPECT_EQ(sentListOf("bob@x.com"), "Tips[\\?]");

    table = store::SubscriberTable();
    ASSERT_TRUE(file.LoadSubscriberFile(table));
    ASSERT_TRUE(file.Save_Email(table));
    EXPECT_FALSE(fs::exists(sent()));
    EXPECT_FALSE(fs::exists(folding()));
    EXPECT_EQ(sentListOf("ann@x.com"), "Welcome[\\?]");
    EXPECT_EQ(sentListOf("bob@x.com"), "Tips[\\?]");
  }
}

// A send the journal cannot record could be sent twice after a crash: sending stops after it.
class UnwritableJournal : public EngineFixture {
 protected:
  UnwritableJournal() {
    list = addSignupFilter({engine::makeRuleLine("Subject", "Has", "join", "")});
    newsletter = addNewsletter(list, "All", "Hello");
    for (const char* address : {"a@x.com", "b@x.com", "c@x.com"})
      table.add(subscriber(address, "Ann", list, "true", {2026, 12, 1}));
    fs::create_directory(folder / "Gold.sent");  // no file can be opened there
  }
  std::string list;
  int newsletter = 0;
};

TEST_F(UnwritableJournal, ThePassAndTheForcedSendStopAfterTheSendTheyCouldNotRecord) {
  const std::pair<const char*, std::function<void()>> sends[] = {
      {"sending pass", [&] { engine().VBSendMessage(); }},
      {"forced send", [&] {
         engine().forcedSend({0, 1, 2}, newsletter);
       }}};
  for (const auto& [what, send] : sends) {
    SCOPED_TRACE(what);
    server.sent.clear();
    send();
    ASSERT_EQ(server.sent.size(), 1u);
    EXPECT_THAT(logLines().back(), HasSubstr("Gold.sent"));
    // The one that went out is in the table, so the next save records it.
    EXPECT_THAT(std::string(table.record(0).sentList()),
                HasSubstr(profile.GetFromFile_new(newsletter, "title")));
  }
  EXPECT_THAT(ui.statuses,
              ::testing::Contains("Sending paused: the send journal cannot be written"));
}

}  // namespace
}  // namespace tidewell::testing
