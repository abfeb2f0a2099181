// The statistics read from hand-made profile files with known answers: nothing at all, one busy
// week, damaged files, and a year and more of logs.
#include <gtest/gtest.h>

#include <map>

#include "stats/statistics_reader.h"
#include "stats/statistics_text.h"
#include "store/profile_model.h"
#include "subscribers/subscriber_fixture.h"

namespace tidewell::testing {
namespace {

using Files = std::map<std::string, std::vector<std::string>>;

constexpr std::int64_t kNow = 1796000000;

struct Case {
  std::string name;
  int days;
  std::string lastPause;
  // Whole profile, first list, the period, sends, then the rest: as listed in KnownAnswers.
  std::vector<std::vector<std::int64_t>> figures;
  Files files;
};

Files busyWeek() {
  Files f;
  f["Gold.txt"] =
      concat({recordLines("a@x.com", "A", "12/5/2026", "true", "Filter_1", "", "Welcome[\\?]"),
              recordLines("b@x.com", "B", "12/3/2026"),
              recordLines("c@x.com", "C", "12/1/2026", "false", "Filter_2"),
              recordLines("d@Blocked.com", "D", "11/20/2026"),
              recordLines("e@x.com", "E", "12/2/2026", "true", "Filter_2")});
  f["Gold.pending"] = {"p@x.com\tFilter_1\t12/4/2026\t1:00:00 PM\t-\tpmf\t<id>\t-\textra",
                       "q@x.com\tFilter_2\t12/5/2026\t1:00:00 PM", "no tabs at all"};
  f["Gold.suppressed"] = {"@blocked.com\t12/1/2026\tmanual", "b@x.com\t12/1/2026\tbounce",
                          "sha256:00ff\t12/1/2026\terased"};
  f["deactivated.log"] = {
      "12/4/2026\t1:00:00 PM\tc@x.com\tFilter_2\topt-out\t-\t-",
      "12/4/2026\t1:00:00 PM\tz@x.com\tFilter_1\tbounce: permanent failure\t5.1.1\t<r>",
      "12/5/2026\t1:00:00 PM\ty@x.com\tFilter_1\tinvalid address\t-\t-",
      "1/1/2025\t1:00:00 PM\tw@x.com\tFilter_1\topt-out\t-\t-"};
  f["consent.log"] = {"12/5/2026\t1:00:00 PM\ta@x.com\tFilter_1\tmail\t<a>\t-\t-\t-"};
  f["activity.log"] = {
      "message sent:\ta@x.com\tWelcome\t12/5/2026\t1:00:00 PM",
      "message sent:\tb@x.com\tWelcome\t12/5/2026\t1:00:01 PM",
      "message sent:\tb@x.com\tWelcome\t12/4/2026\t1:00:01 PM",
      "message sent:\tb@x.com\tWelcome\tnot a date\t1:00:01 PM",
      "messages not read:\t1\t\"x\"\t12/5/2026\t1:02:03 PM",
      "sending paused:\tSending paused: daily limit reached\t12/5/2026\t1:05:00 PM"};
  f["Gold.rate"] = {std::to_string(kNow - 10), std::to_string(kNow - 1800),
                    std::to_string(kNow - 7200), std::to_string(kNow - 90000), "junk"};
  f["Gold.bounces"] = {"b@x.com\t1\t12/1/2026\t12/1/2026", "e@x.com\t2\t12/1/2026\t12/3/2026\tx",
                       "e@x.com\tmany"};
  f["Gold.sent"] = {"e@x.com\tWelcome\t12/5/2026\t1:00:00 PM"};
  return f;
}

Files damaged() {
  Files f;
  f["Gold.txt"] = recordLines("a@x.com", "A", "yesterday");
  f["Gold.txt"].insert(f["Gold.txt"].end(), {"half@x.com", "H", "12/5/2026"});
  f["deactivated.log"] = {"", "garbage", "12/40/2026\t1\tx@x.com\tFilter_1\topt-out"};
  f["Gold.rate"] = {"-", "12a"};
  return f;
}

// One sign-up and one opt-out every day for 400 days up to today.
Files yearAndMore() {
  Files f;
  std::int32_t today = store::toDayNumber({2026, 12, 5});
  for (int i = 0; i < 400; ++i) {
    std::string date = store::shortDateText(store::fromDayNumber(today - i));
    auto r = recordLines("s" + std::to_string(i) + "@x.com", "S", date);
    f["Gold.txt"].insert(f["Gold.txt"].end(), r.begin(), r.end());
    f["deactivated.log"].push_back(date + "\t1:00:00 PM\to@x.com\tFilter_1\topt-out\t-\t-");
    f["activity.log"].push_back("message sent:\ts@x.com\tWelcome\t" + date + "\t1:00:00 PM");
  }
  return f;
}

const std::vector<Case> kCases = {
    {"nothing", 30, "", {{0, 0, 0, 0}, {0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0, 0}}, {}},
    {"busy_week",
     30,
     "Sending paused: daily limit reached",
     {{4, 1, 2, 3}, {3, 2, 1}, {5, 1, 1, 5 - 1 - 2}, {2, 1, 2, 3}, {2, 2, 1, 1, 4}},
     busyWeek()},
    {"damaged",
     30,
     "",
     {{1, 0, 0, 0}, {1, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0, 5}},
     damaged()},
    {"a_year_and_more",
     365,
     "",
     {{400, 0, 0, 0}, {400, 0, 0}, {365, 365, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0, 0}},
     yearAndMore()},
};

class Statistics : public SubscriberFixture, public ::testing::WithParamInterface<Case> {
 protected:
  void SetUp() override {
    addFilter();
    addFilter();
    store::ProfileModel model(profile);
    newsletter(model, "Welcome", {{"days", "0"}});
    newsletter(model, "Day3", {{"days", "3"}});
    newsletter(model, "Fixed",
               {{"rule", "Filter_2"}, {"dateordays", "date"}, {"date", "12/8/2026"}});
  }
  void newsletter(store::ProfileModel& model, const std::string& title,
                  const std::map<std::string, std::string>& keys) {
    int index = model.cmdNewNewsletter_Click(model.newslettersTitle())->index;
    profile.UpdateFile_new(index, "title", title);
    profile.UpdateFile_new(index, "rule", "Filter_1");
    for (const auto& [key, value] : keys) profile.UpdateFile_new(index, key, value);
  }
};

TEST_P(Statistics, KnownAnswers) {
  for (const auto& [name, lines] : GetParam().files) writeBytes(folder / name, crlf(lines));
  stats::Statistics s = stats::readStatistics(
      profile.load(), {profilePath, {2026, 12, 5}, kNow, GetParam().days, ""});
  const stats::ListFigures& w = s.whole;
  ASSERT_EQ(s.lists.size(), 2u);
  ASSERT_EQ(w.days.size(), static_cast<std::size_t>(GetParam().days));
  ASSERT_EQ(s.newsletters.size(), 3u);
  std::int64_t bounces = 0;
  std::int64_t net = 0;
  for (const auto& d : w.days) {
    bounces += d.switchOffs[0];
    net += d.net();
  }
  const stats::ListFigures& first = s.lists[0];
  const auto strikes = static_cast<std::int64_t>(s.strikes.size());
  const std::vector<std::vector<std::int64_t>> figures{
      {w.active, w.inactive, w.pending, w.suppressed},
      {first.active, first.suppressed, first.pending},
      {w.signups(), w.optouts(), bounces, net},
      {s.sends.perDay.back(), s.sends.lastMinute, s.sends.lastHour, s.sends.lastDay},
      {strikes, s.newsletters[0].sent, s.newsletters[1].due[1], s.newsletters[2].due[3],
       s.damagedLines}};
  EXPECT_EQ(figures, GetParam().figures);
  EXPECT_EQ(s.sends.lastPause, GetParam().lastPause);
  // The printed forms hold every section whatever the files held.
  EXPECT_NE(stats::statisticsText(s).find("Newsletters"), std::string::npos);
  EXPECT_NE(stats::statisticsCsv(s).find("newsletter,list,sent"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Files, Statistics, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

TEST_F(SubscriberFixture, StatisticsOfOneListLeaveTheOthersOut) {
  addFilter();
  addFilter();
  writeBytes(folder / "deactivated.log",
             crlf({"12/4/2026\t1:00:00 PM\tc@x.com\tFilter_2\topt-out\t-\t-",
                   "12/4/2026\t1:00:00 PM\tc@x.com\tFilter_1\topt-out\t-\t-"}));
  stats::Statistics s =
      stats::readStatistics(profile.load(), {profilePath, {2026, 12, 5}, kNow, 30, "Filter_2"});
  ASSERT_EQ(s.lists.size(), 1u);
  EXPECT_EQ(s.lists[0].optouts(), 1);
  EXPECT_EQ(s.whole.optouts(), 2);
  EXPECT_THROW(
      stats::readStatistics(profile.load(), {profilePath, {2026, 12, 5}, kNow, 30, "Nope"}),
      std::invalid_argument);
}

}  // namespace
}  // namespace tidewell::testing
