// The failure reports of tests/data/bounces, read as they arrive (GMime, then the report
// reader), against the one table of expected recipients, status codes and classes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "engine/delivery_report_reader.h"
#include "mail/message_parser.h"
#include "store/text.h"
#include "store/text_file.h"

namespace tidewell::mail {
namespace {

const std::filesystem::path kCorpus = std::filesystem::path(TIDEWELL_TEST_DATA) / "bounces";

std::string dash(const std::string& text) {
  return text.empty() ? "-" : text;
}

// file -> "recipient status class" lines, as classify prints them.
std::map<std::string, std::vector<std::string>> expectedTable() {
  std::map<std::string, std::vector<std::string>> table;
  for (const std::string& line : store::readLines(kCorpus / "expected.tsv")) {
    if (line.empty() || line[0] == '#') continue;
    auto parts = store::split(line, "\t");
    EXPECT_EQ(parts.size(), 4u) << line;
    if (parts.size() != 4) continue;
    auto& rows = table[parts[0]];
    if (parts[3] != "none") rows.push_back(parts[1] + " " + parts[2] + " " + parts[3]);
  }
  return table;
}

std::vector<std::string> readingOf(const std::string& raw, const std::string& name) {
  std::vector<std::string> rows;
  engine::ReportReading reading = engine::readDeliveryReport(MessageParser::parse(raw, name));
  // A report that names nobody is about the original's one recipient when the list sent it.
  if (reading.originalFrom == "list@example.net") {
    reading.recipients.front().address = reading.originalTo;
  }
  for (const auto& r : reading.recipients) {
    rows.push_back(dash(r.address) + " " + dash(r.status) + " " +
                   std::string(engine::bounceClassName(r.bounceClass)));
  }
  return rows;
}

TEST(BounceCorpus, EveryReportGivesItsRecipientsStatusesAndClasses) {
  auto expected = expectedTable();
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(kCorpus)) {
    if (entry.path().extension() == ".eml") files.insert(entry.path().filename());
  }
  EXPECT_GE(files.size(), 40u);
  std::set<std::string> classes;
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    ASSERT_TRUE(expected.count(file)) << "not in expected.tsv";
    EXPECT_EQ(readingOf(store::readFileBytes(kCorpus / file), file), expected[file]);
    for (const auto& row : expected[file]) classes.insert(row.substr(row.rfind(' ') + 1));
    expected.erase(file);
  }
  EXPECT_TRUE(expected.empty()) << "listed but missing: " << expected.begin()->first;
  EXPECT_EQ(classes,
            (std::set<std::string>{"permanent", "temporary", "policy", "auto-reply", "unknown"}));
}

TEST(BounceCorpus, LineEndsAndEnclosingDoNotChangeTheReading) {
  // The same reports with CR LF line ends, and each one forwarded as an attachment.
  for (const char* name : {"dsn_three_recipients_mixed.eml", "qmail_two_recipients.eml",
                           "exim_x_failed_two_recipients.eml", "sendmail_fatal_errors.eml"}) {
    SCOPED_TRACE(name);
    const std::string raw = store::readFileBytes(kCorpus / name);
    const auto plain = readingOf(raw, name);
    EXPECT_EQ(readingOf(store::replaceAll(raw, "\n", "\r\n"), name), plain);
    const std::string forwarded =
        "From: op@example.net\nTo: list@example.net\nSubject: Fwd: see this\nMIME-Version: 1.0\n"
        "Content-Type: multipart/mixed; boundary=\"F\"\n\n--F\nContent-Type: text/plain\n\n"
        "Look.\n--F\nContent-Type: message/rfc822\n\n" +
        raw + "\n--F--\n";
    EXPECT_EQ(readingOf(forwarded, name), plain);
  }
}

}  // namespace
}  // namespace tidewell::mail
