#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "store/line_reader.h"
#include "store/text.h"
#include "subscriber_fixture.h"

namespace tidewell::testing {
namespace {

using ::testing::HasSubstr;

constexpr int kRecords = 1000;
constexpr std::size_t kLines = 8;

std::string address(int i) {
  return "s" + std::to_string(i) + "@example.org";
}

std::vector<std::string> originalRecord(int i) {
  std::string date = std::to_string(1 + i % 12) + "/" + std::to_string(1 + i % 28) + "/2025";
  std::string sent = i % 3 == 0 ? "none" : "Welcome[\\?]";
  std::string pmf =
      i % 5 == 0 ? "" : pmfOf({{"email", address(i)}, {"city", "Town " + std::to_string(i)}});
  return recordLines(address(i), "Name " + std::to_string(i), date, i % 7 ? "true" : "false",
                     i % 2 ? "Filter_1" : "Filter_2", pmf, sent);
}

std::vector<std::string> originalLines() {
  std::vector<std::vector<std::string>> records;
  for (int i = 0; i < kRecords; ++i) records.push_back(originalRecord(i));
  return concat(records);
}

std::size_t lineOf(int record, std::size_t line) {
  return static_cast<std::size_t>(record) * kLines + line;
}

// Where in the file's bytes line `line` begins, for CR LF ends.
std::size_t offsetOf(const std::vector<std::string>& lines, std::size_t line) {
  std::size_t offset = 0;
  for (std::size_t i = 0; i < line; ++i) offset += lines[i].size() + 2;
  return offset;
}

// The original lines to file bytes.
using Apply = std::function<std::string(std::vector<std::string>)>;

struct Damage {
  const char* name;
  Apply apply;
  const char* logged;  // a text the error log must hold; empty when nothing is damaged
  int first = -1;      // the records the damage reaches, first to last
  int last = first;
  bool reaches(int record) const { return record >= first && record <= last; }
};

// The lines changed by `edit`, ended by CR LF.
Apply edited(std::function<void(std::vector<std::string>&)> edit) {
  return [=](auto l) {
    edit(l);
    return crlf(l);
  };
}

Apply inserted(std::size_t at, std::vector<std::string> lines) {
  return edited([=](auto& l) { l.insert(l.begin() + at, lines.begin(), lines.end()); });
}

Apply erased(std::size_t at) {
  return edited([=](auto& l) { l.erase(l.begin() + at); });
}

// Lines ended in turn by each of the ends.
Apply endings(std::vector<std::string> ends) {
  return [=](auto l) {
    std::string bytes;
    for (std::size_t i = 0; i < l.size(); ++i) bytes += l[i] + ends[i % ends.size()];
    return bytes;
  };
}

// Cut `extra` bytes into line `line`.
Apply truncated(std::size_t line, std::size_t extra) {
  return [=](auto l) { return crlf(l).substr(0, offsetOf(l, line) + extra); };
}

std::vector<Damage> damages() {
  auto nulls = [](auto l) {  // over records 500 to 502
    std::string bytes = crlf(l);
    std::size_t from = offsetOf(l, lineOf(500, 4)), to = offsetOf(l, lineOf(502, 1)) + 3;
    return bytes.replace(from, to - from, std::string(to - from, '\0'));
  };
  return {
      {"stray line inside a record", inserted(lineOf(301, 1), {"a hand-typed note"}),
       "Lines 2409 to 2417 do not read as a subscriber record", 301},
      {"stray lines between records", inserted(lineOf(601, 0), {"junk", "more junk", "", "x@y.z"}),
       "skipped"},
      {"stray line at the start", inserted(0, {"Subscribers exported Monday"}),
       "Line 1 does not read"},
      {"stray text on a separator line", edited([](auto& l) { l[lineOf(77, 7)] = "oops"; }),
       "Line 624 should be empty"},
      {"missing name line", erased(lineOf(400, 1)), "skipped", 400},
      {"missing date line", erased(lineOf(401, 2)), "skipped", 401},
      {"missing separator line", erased(lineOf(700, 7)), "empty line ending a record is missing"},
      {"mixed line ends", endings({"\r\n", "\n", "\r", "\r\n"}), ""},
      {"truncated inside the last record", truncated(lineOf(999, 3), 2), "not a whole record", 999},
      {"truncated inside a line", truncated(lineOf(999, 0), 5), "not a whole record", 999},
      {"a block of NUL bytes over three records", nulls, "skipped", 500, 502},
      {"NUL bytes after the end", [](auto l) { return crlf(l) + std::string(4096, '\0'); },
       "not a whole record"},
  };
}

class SubscriberDamageTest : public SubscriberFixture {
 protected:
  // Every record the damage did not reach is in the table exactly once, as it was written.
  void expectIntactRecords(const Damage& damage, int gone, int renamed) {
    std::map<std::string, store::Position> found;
    for (store::Position p = 0; p < table.size(); ++p) {
      const store::SubscriberRecord& r = table.record(p);
      if (r.isDeleted()) continue;
      EXPECT_EQ(r.name().find('@'), std::string::npos) << "an address in the name column";
      EXPECT_TRUE(found.emplace(std::string(r.email()), p).second) << r.email() << " twice";
    }
    for (int i = 0; i < kRecords; ++i) {
      if (damage.reaches(i)) continue;
      auto it = found.find(address(i));
      if (i == gone) {
        EXPECT_EQ(it, found.end());
        continue;
      }
      ASSERT_NE(it, found.end()) << address(i) << " was lost";
      std::vector<std::string> want = originalRecord(i);
      if (i == renamed) want[1] = "Renamed";
      EXPECT_EQ(recordLinesOf(table, it->second), want);
    }
  }

  std::vector<std::filesystem::path> damagedCopies() const {
    std::vector<std::filesystem::path> copies;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      if (entry.path().filename().string().rfind("Gold.txt.damaged-", 0) == 0) {
        copies.push_back(entry.path());
      }
    }
    return copies;
  }
};

TEST_F(SubscriberDamageTest, NoDamageLosesAnIntactRecordThroughLoadEditAndSave) {
  const std::vector<std::string> original = originalLines();
  for (const Damage& damage : damages()) {
    SCOPED_TRACE(damage.name);
    for (const auto& copy : damagedCopies()) std::filesystem::remove(copy);
    std::filesystem::remove(trap.logPath());
    std::string bytes = damage.apply(original);
    writeBytes(subscriberPath(), bytes);
    table = store::SubscriberTable();

    ASSERT_TRUE(file.LoadSubscriberFile(table));
    expectIntactRecords(damage, -1, -1);
    const bool copyKept = *damage.logged != '\0';
    std::vector<std::filesystem::path> copies = damagedCopies();
    ASSERT_EQ(copies.size(), copyKept ? 1u : 0u);
    if (copyKept) {
      EXPECT_EQ(readBytes(copies[0]), bytes);
      EXPECT_THAT(ui.messages.back().text, HasSubstr(copies[0].filename().string()));
    }
    EXPECT_THAT(readBytes(trap.logPath()), HasSubstr(damage.logged));

    // An edit saves the table whole: what was read must survive it and the next load.
    int renamed = damage.reaches(10) ? 11 : 10;
    int deleted = 20;
    for (store::Position p = 0; p < table.size(); ++p) {
      if (table.record(p).email() == address(renamed)) table.setName(p, "Renamed");
      if (table.record(p).email() == address(deleted)) table.markDeleted(p);
    }
    ASSERT_TRUE(file.Save_Email(table));
    table = store::SubscriberTable();
    ASSERT_TRUE(file.LoadSubscriberFile(table));
    expectIntactRecords(damage, deleted, renamed);
    EXPECT_EQ(damagedCopies().size(), copies.size()) << "the saved file is whole again";
    if (copyKept) {
      EXPECT_EQ(readBytes(copies[0]), bytes);
    }
  }
}

TEST_F(SubscriberDamageTest, FilesThatAreNoSubscriberFileAreRefusedAndLeftAsTheyAre) {
  const std::vector<std::pair<const char*, std::string>> others = {
      {"a profile", "[user_properties_start]\r\ntitle: Gold\r\n[user_properties_end]\r\n"},
      {"random bytes", std::string("\x7f"
                                   "ELF\x02\x01\x01\0\0\0garbage\n\x01\x02",
                                   20)},
      {"a CSV file", "email,name\r\nann@x.com,Ann\r\n"},
  };
  for (const auto& [what, bytes] : others) {
    SCOPED_TRACE(what);
    writeBytes(subscriberPath(), bytes);
    table = store::SubscriberTable();
    EXPECT_FALSE(file.LoadSubscriberFile(table));
    EXPECT_THAT(logLines().back(),
                HasSubstr("Gold.txt is not a Tidewell subscriber file (line 1)"));
    EXPECT_THAT(ui.messages.back().text, HasSubstr("is not a Tidewell subscriber file"));
    table.add(subscriber("new@x.com"));
    EXPECT_FALSE(file.Save_Email(table));
    EXPECT_EQ(readBytes(subscriberPath()), bytes);
  }
}

// Line ends split across the reader's buffer refills read as in one piece.
TEST(LineReaderEnds, EveryLineEndReadsTheSameWhereverTheBufferBreaks) {
  TempFolder folder;
  const std::string text = "a\r\nbb\rccc\n\r\n\r\rdddd\r\n\n\reeeee\r";
  writeBytes(folder / "f.txt", text);
  const std::vector<std::string> want = store::splitLines(text);
  ASSERT_EQ(want,
            (std::vector<std::string>{"a", "bb", "ccc", "", "", "", "dddd", "", "", "eeeee"}));
  for (std::size_t buffer = 16; buffer < 40; ++buffer) {
    store::LineReader reader(folder / "f.txt", buffer);
    std::vector<std::string> got;
    std::string_view line;
    while (reader.next(line)) got.emplace_back(line);
    EXPECT_EQ(got, want) << "buffer " << buffer;
    EXPECT_EQ(reader.bytesRead(), text.size());
  }
}

}  // namespace
}  // namespace tidewell::testing
