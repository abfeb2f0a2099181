// Every kind of save meets a full disk and a read-only folder: the file stays whole, the error is
// told where it can be, and the next save succeeds once the trouble is gone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstring>
#include <functional>

#include "engine/log_appender.h"
#include "engine_fixture.h"
#include "store/profile_model.h"
#include "store/send_journal.h"
#include "store/text_file.h"

namespace tidewell::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// A small tmpfs, mounted where the superuser may, that can be made read-only: the superuser
// writes into a folder whatever its permissions say.
struct SmallDisk {
  explicit SmallDisk(const fs::path& at) : at(at) {
    fs::create_directory(at);
    mounted = geteuid() == 0 && mount("tmpfs", at.c_str(), "tmpfs", 0, "size=256k") == 0;
  }
  ~SmallDisk() {
    if (mounted) umount2(at.c_str(), MNT_DETACH);
  }
  void setReadOnly(bool on) {
    mount(nullptr, at.c_str(), nullptr, MS_REMOUNT | (on ? MS_RDONLY : 0), "size=256k");
  }
  fs::path at;
  bool mounted = false;
};

std::string goldProfile() {
  std::vector<std::string> lines = store::newProfileSkeleton();
  lines[3] = "title: Gold";
  return crlf(lines);
}

// A full disk is shown by a file-size limit: the write fails part-way just the same.
enum class Trouble { kFileSizeLimit, kReadOnly };

// The folder saved to, with the error log there or elsewhere.
struct Place {
  Place(Trouble trouble, bool logThere)
      : folder(top / (trouble == Trouble::kFileSizeLimit ? "plain" : "disk")),
        trap(logThere ? folder : elsewhere.path(), ui, clock),
        profile(elsewhere / "Gold.dat", trap),
        subscribers(folder, profile, trap) {
    fs::create_directories(folder);
    writeBytes(profile.path(), goldProfile());
  }
  TempFolder top, elsewhere;
  SmallDisk disk{top / "disk"};
  fs::path folder;
  RecordingOperator ui;
  FixedClock clock;
  store::ErrorTrap trap;
  store::ProfileStore profile;
  store::SubscriberFile subscribers;
  std::string added;  // what a save that succeeds adds (appends) or puts in (rewrites)
};

struct SaveKind {
  const char* name;
  const char* file;
  bool append;
  bool logThere;  // the error log is the file saved
  // An append's line start, or a rewrite's whole file: longer than an error-log line, which
  // must stay under the file-size limit.
  std::string sample;
  std::function<bool(Place&)> save;
};

// Lines starting with head, padded to exactly size bytes in all.
std::string linesOfSize(const std::string& head, std::size_t size) {
  std::string text;
  auto line = [&](std::size_t n) { return head + std::string(n - head.size() - 2, 'p') + "\r\n"; };
  while (size - text.size() >= 200) text += line(100);
  return text + line(size - text.size());
}

const std::vector<SaveKind> kSaveKinds = {
    {"profile edit", "Gold.dat", false, false, goldProfile(),
     [](Place& p) {
       p.added = "pop3: " + std::string(200, 'n');
       return store::ProfileStore(p.folder / "Gold.dat", p.trap)
           .UpdateFile_new(2, "pop3", p.added.substr(6));
     }},
    {"subscriber save", "Gold.txt", false, false,
     crlf(recordLines("s@example.org", std::string(600, 'S'))),
     [](Place& p) {
       store::SubscriberTable table;
       p.added = "new@example.org";
       if (!p.subscribers.LoadSubscriberFile(table)) return false;
       table.add(subscriber(p.added, std::string(200, 'N')));
       return p.subscribers.Save_Email(table);
     }},
    {"send journal append", "Gold.sent", true, false, "s@example.org\tOld\t12/5/2026\t",
     [](Place& p) {
       std::string problem;
       p.added = "new@example.org\tWelcome\t12/5/2026\t1:02:03 PM\r\n";
       if (store::SendJournal(p.folder / "Gold.sent")
               .append("new@example.org", "Welcome", "12/5/2026", "1:02:03 PM", &problem))
         return true;
       p.trap.report(store::numberedProcedure("VBSendMessage"), {75, problem});
       return false;
     }},
    {"error log append", "errlog.txt", true, true, "Save_Email:12/5/2026 ",
     [](Place& p) {
       p.added = "Save_Email:12/5/2026 1:02:03 PM 61 Full\r\n";
       p.trap.report(store::Procedure{"Save_Email"}, {61, "Full"});
       return p.ui.statuses.back().find("error log cannot be written") == std::string::npos;
     }},
    {"activity log append", "activity.log", true, false, "message sent:\ts@example.org\t",
     [](Place& p) {
       const int reports = p.trap.reportCount();
       p.added = "message sent:\tnew@example.org\tWelcome\r\n";
       engine::LogAppender(p.folder / "activity.log", p.trap)
           .append("message sent:\tnew@example.org\tWelcome");
       return p.trap.reportCount() == reports;
     }},
};

// Tries one save in the trouble; returns the system's reason.
std::string saveInTrouble(Trouble trouble, Place& place, const SaveKind& kind, bool& saved) {
  const fs::path file = place.folder / kind.file;
  switch (trouble) {
    case Trouble::kFileSizeLimit: {
      FileSizeLimit limit(fs::file_size(file) + 10);  // a line begun is cut short
      saved = kind.save(place);
      return std::strerror(EFBIG);
    }
    case Trouble::kReadOnly:
      if (place.disk.mounted) {
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

class SaveFailure : public ::testing::TestWithParam<Trouble> {};

TEST_P(SaveFailure, EveryKindOfSaveKeepsTheOldFileSaysWhyAndSucceedsOnceTheTroubleIsGone) {
  const Trouble trouble = GetParam();
  for (const SaveKind& kind : kSaveKinds) {
    SCOPED_TRACE(kind.name);
    Place place(trouble, kind.logThere);
    if (trouble == Trouble::kReadOnly && !place.disk.mounted && geteuid() == 0)
      GTEST_SKIP() << "cannot mount a tmpfs here";
    const fs::path file = place.folder / kind.file;
    // An append goes to a file of whole lines, which the failed write must not tear.
    writeBytes(file, kind.append ? linesOfSize(kind.sample, 4086) : kind.sample);
    const std::string before = readBytes(file);

    bool saved = true;
    const std::string reason = saveInTrouble(trouble, place, kind, saved);
    EXPECT_FALSE(saved);
    EXPECT_EQ(readBytes(file), before);
    EXPECT_FALSE(fs::exists(store::workFilePath(file)));
    const std::vector<std::string> log = readLines(place.trap.logPath());
    ASSERT_FALSE(place.ui.statuses.empty());
    ASSERT_TRUE(kind.logThere || !log.empty());
    const std::string told = kind.logThere ? place.ui.statuses.back() : log.back();
    EXPECT_THAT(told, HasSubstr(kind.file));
    EXPECT_THAT(told, HasSubstr(reason));
    if (kind.logThere) {
      EXPECT_THAT(told, HasSubstr("; the error log cannot be written (Cannot"));
    }

    EXPECT_TRUE(kind.save(place));
    if (kind.append) {
      EXPECT_EQ(readBytes(file), before + place.added);
    } else {
      EXPECT_THAT(readBytes(file), HasSubstr(place.added));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Troubles, SaveFailure,
                         ::testing::Values(Trouble::kFileSizeLimit, Trouble::kReadOnly),
                         [](const auto& info) {
                           return info.param == Trouble::kReadOnly ? "ReadOnly" : "FileSizeLimit";
                         });

// On a full disk the send journal stays until a subscriber file holding its lines is written.
TEST(JournalFoldOnAFullDisk, TheJournalStaysUntilTheSubscriberFileHoldsIt) {
  for (bool foldFails : {false, true}) {
    SCOPED_TRACE(foldFails ? "the unfinished fold cannot take the journal"
                           : "the subscriber file cannot be written");
    Place place(Trouble::kFileSizeLimit, false);
    const fs::path folding = place.folder / "Gold.sent.folding";
    store::SendJournal& journal = store::SendJournal::forSubscriberFile(place.folder / "Gold.txt");
    const std::string name(foldFails ? 10 : 1000, 'A');
    writeBytes(place.folder / "Gold.txt",
               crlf(concat({recordLines("ann@x.com", name), recordLines("bob@x.com", name)})));
    if (foldFails) writeBytes(folding, linesOfSize("old@x.com\tOld\t12/5/2026\t", 3000));
    ASSERT_TRUE(journal.append("ann@x.com", "Welcome", "12/5/2026", "9:00 AM"));
    const std::string before = readBytes(place.folder / "Gold.txt");
    const std::string folded = foldFails ? readBytes(folding) : "";
    auto sentLists = [&] {
      store::SubscriberTable table;
      EXPECT_TRUE(place.subscribers.LoadSubscriberFile(table));
      return std::string(table.record(0).sentList()) + "|" +
             std::string(table.record(1).sentList());
    };
    {
      FileSizeLimit limit(foldFails ? folded.size() + 10 : 1000);
      store::SubscriberTable table;
      ASSERT_TRUE(place.subscribers.LoadSubscriberFile(table));
      EXPECT_FALSE(place.subscribers.Save_Email(table));
      ASSERT_TRUE(journal.append("bob@x.com", "Tips", "12/5/2026", "9:01 AM"));  // still recorded
    }
    EXPECT_EQ(readBytes(place.folder / "Gold.txt"), before);
    if (foldFails) {
      EXPECT_EQ(readBytes(folding), folded);
    }
    EXPECT_EQ(sentLists(), "Welcome[\\?]|Tips[\\?]");  // a load now (after a crash) has them all

    store::SubscriberTable table;
    ASSERT_TRUE(place.subscribers.LoadSubscriberFile(table));
    ASSERT_TRUE(place.subscribers.Save_Email(table));
    EXPECT_FALSE(fs::exists(place.folder / "Gold.sent"));
    EXPECT_FALSE(fs::exists(folding));
    EXPECT_EQ(sentLists(), "Welcome[\\?]|Tips[\\?]");
  }
}

}  // namespace
}  // namespace tidewell::testing
