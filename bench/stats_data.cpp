// Writes a profile "Bench" at the scale of a large list for the statistics benchmark: a million
// subscribers in three lists with personal fields and sent lists, and a year of logs (sends,
// switch-offs, consents), pending sign-ups, a suppression list, bounce strikes and a rate file.
//
//   build/bench/stats_bench_data FOLDER [SUBSCRIBERS]

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "cipher/dated_password_cipher.h"
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

constexpr store::Date kToday{2026, 12, 5};
const char* const kLists[] = {"Filter_1", "Filter_2", "Filter_3"};
const char* const kLetters[] = {"Welcome", "Day 3", "Day 7", "Day 30", "Monthly"};

// Buffered writing of CR LF lines.
class Lines {
 public:
  explicit Lines(const std::filesystem::path& path) : m_out(std::fopen(path.c_str(), "wb")) {}
  ~Lines() { std::fclose(m_out); }
  void line(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), m_out);
    std::fwrite("\r\n", 1, 2, m_out);
  }

 private:
  std::FILE* m_out;
};

std::string dayText(std::int32_t daysAgo) {
  return store::shortDateText(store::fromDayNumber(store::toDayNumber(kToday) - daysAgo));
}

std::string address(int i) {
  return "reader" + std::to_string(i) + "@example" + std::to_string(i % 97) + ".com";
}

std::filesystem::path writeProfile(const std::filesystem::path& folder) {
  store::SilentOperator ui;
  store::SystemClock clock;
  store::ErrorTrap trap(folder, ui, clock);
  cipher::DatedPasswordCipher cipher(trap);
  store::SettingsFile settings(folder, trap);
  store::NewProfileFields fields{"Bench",           "list@example.com", "reply@example.com",
                                 "pop.example.com", "smtp.example.com", "list",
                                 "secret"};
  std::filesystem::path profile = *store::createProfile(fields, settings, cipher).profilePath;
  store::ProfileStore store(profile, trap);
  store::ProfileModel model(store);
  for (int f = 0; f < 3; ++f) model.cmdNewInbound_Click(model.filtersTitle());
  const char* days[] = {"0", "3", "7", "30", "All"};
  for (int n = 0; n < 5; ++n) {
    int index = model.cmdNewNewsletter_Click(model.newslettersTitle())->index;
    store.UpdateFile_new(index, "title", kLetters[n]);
    store.UpdateFile_new(index, "rule", kLists[n % 3]);
    store.UpdateFile_new(index, "days", days[n]);
  }
  store.UpdateFile_new(store::kServerBlock, "capday", "20000");
  store.UpdateFile_new(store::kServerBlock, "caphour", "2000");
  return profile;
}

void writeSubscribers(const std::filesystem::path& path, int count, std::mt19937& random) {
  Lines out(path);
  for (int i = 0; i < count; ++i) {
    std::string email = address(i);
    std::string name = "Reader " + std::to_string(i);
    std::string pmf;
    store::appendPmf(pmf, {{0, "email", email}, {1, "name", name}, {2, "city", "Springfield"}});
    std::string sent;
    int letters = static_cast<int>(random() % 4);
    for (int n = 0; n < letters; ++n) sent += std::string(kLetters[n]) + "[\\?]";
    out.line(email);
    out.line(name);
    out.line(dayText(static_cast<std::int32_t>(random() % 730)));
    out.line(sent.empty() ? "none" : sent);
    out.line(random() % 10 == 0 ? "false" : "true");
    out.line(kLists[i % 3]);
    out.line(pmf);
    out.line("");
  }
}

void writeLogs(const std::filesystem::path& folder, int count, std::mt19937& random) {
  Lines activity(folder / "activity.log");
  Lines deactivated(folder / "deactivated.log");
  Lines consent(folder / "consent.log");
  const char* reasons[] = {"opt-out", "bounce: permanent failure", "invalid address",
                           "auto-unsubscribe"};
  // A year of sends: three messages per subscriber, in date order.
  for (int day = 364; day >= 0; --day) {
    std::string date = dayText(day);
    for (int k = 0; k < count * 3 / 365; ++k) {
      activity.line(std::string("message sent:\t") + address(static_cast<int>(random() % count)) +
                    "\t" + kLetters[k % 5] + "\t" + date + "\t10:15:00 AM");
    }
    for (int k = 0; k < count / 3650; ++k) {
      deactivated.line(date + "\t10:15:00 AM\t" + address(static_cast<int>(random() % count)) +
                       "\t" + kLists[k % 3] + "\t" + reasons[k % 4] + "\t-\t-");
    }
    for (int k = 0; k < count / 365; ++k) {
      consent.line(date + "\t10:15:00 AM\t" + address(k) + "\t" + kLists[k % 3] +
                   "\tform-confirmed-link\t<s@x>\t<c@x>\t203.0.113.9\tconfirm.txt\tab12");
    }
  }
  activity.line("sending paused:\tSending paused: daily limit reached\t" + dayText(0) +
                "\t11:00:00 AM");
}

void writeSideFiles(const std::filesystem::path& folder, int count, std::mt19937& random) {
  Lines pending(folder / "Bench.pending");
  for (int i = 0; i < count / 100; ++i) {
    pending.line("new" + std::to_string(i) + "@example.org\t" + kLists[i % 3] + "\t" + dayText(1) +
                 "\t9:00:00 AM\t-\temail[/\\]x[\\/]\t<m@x>\t-");
  }
  Lines suppressed(folder / "Bench.suppressed");
  for (int i = 0; i < count / 20; ++i) {
    suppressed.line(address(static_cast<int>(random() % count)) + "\t" + dayText(30) + "\tbounce");
  }
  suppressed.line("@example13.com\t" + dayText(3) + "\tmanual");
  Lines bounces(folder / "Bench.bounces");
  for (int i = 0; i < count / 50; ++i) {
    bounces.line(address(i * 7) + "\t" + std::to_string(1 + i % 2) + "\t" + dayText(10) + "\t" +
                 dayText(2));
  }
  Lines rate(folder / "Bench.rate");
  std::int64_t now = store::SystemClock().secondsNow();
  for (int i = 0; i < 20000; ++i) rate.line(std::to_string(now - 86400 + i * 4));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: stats_bench_data FOLDER [SUBSCRIBERS]\n");
    return 2;
  }
  std::filesystem::path folder = argv[1];
  int count = argc > 2 ? std::stoi(argv[2]) : 1'000'000;
  std::filesystem::create_directories(folder);
  std::mt19937 random(7);
  writeProfile(folder);
  writeSubscribers(folder / "Bench.txt", count, random);
  writeLogs(folder, count, random);
  writeSideFiles(folder, count, random);
  return 0;
}
