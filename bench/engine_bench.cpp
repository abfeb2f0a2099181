// The mail engine at the scale of a large list, against the in-memory mail server:
//  - MatchFilter and ExtractFields for 10,000 downloaded messages (2 KB bodies, one in ten a
//    sign-up) against 100 filters of 10 rules, with 100,000 subscribers on file;
//  - the sending pass over 1,000,000 subscribers and 20 newsletters with nothing due, and with
//    100,000 due (the transport only counts; the figure is the engine's own time);
//  - f_fill_fields on a 50 KB HTML body with 10 placeholders.
//
//   build/bench/engine_bench --benchmark_time_unit=ms

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/engine_context.h"
#include "engine/field_extraction.h"
#include "engine/filter_matcher.h"
#include "engine/personalisation.h"
#include "engine/rule_line.h"
#include "engine/sending_pass.h"
#include "mail/fake_mail_server.h"
#include "mail/transfer_runner.h"
#include "store/clock.h"
#include "store/error_trap.h"
#include "store/profile_model.h"
#include "store/profile_store.h"
#include "store/subscriber_file.h"
#include "store/text_file.h"

namespace {

using namespace tidewell;

constexpr int kFilters = 100;
constexpr int kRulesPerFilter = 10;
constexpr int kNewsletters = 20;
constexpr int kMessages = 10'000;
const store::Date kToday{2026, 12, 7};

std::string keyword(int filter, int rule) {
  return "k" + std::to_string(filter) + "_" + std::to_string(rule);
}

// Rule 1 tests the subject and is followed by "Or"; the rest mix body, sender and subject tests
// joined by And and Or, as lists grown over years look.
std::vector<std::string> rulesOf(int f) {
  static const char* kSpecs[] = {"Subject", "Body", "From"};
  std::vector<std::string> rules;
  for (int r = 1; r <= kRulesPerFilter; ++r) {
    std::string connector = r == kRulesPerFilter ? "" : (r % 2 ? "Or" : "And");
    rules.push_back(engine::makeRuleLine(kSpecs[(r - 1) % 3], "Has", keyword(f, r), connector));
  }
  return rules;
}

std::string extractKeys() {
  std::string keys = "Name:[\\/]/n[\\/]Name (name)[\\/]on[\\/]name[\\/][/\\]";
  for (int i = 1; i < 41; ++i) keys += "[\\/][\\/][\\/]off[\\/][\\/][/\\]";
  return keys;
}

std::string filler(std::size_t bytes) {
  std::string text;
  std::mt19937 random(7);
  static const char* kWords[] = {"lorem", "ipsum", "dolor",  "sit",    "amet",   "news",
                                 "list",  "offer", "weekly", "update", "reader", "mail"};
  while (text.size() < bytes) {
    text += kWords[random() % 12];
    text += random() % 9 ? " " : "\r\n";
  }
  return text;
}

class FixedClock : public store::Clock {
 public:
  store::Date today() const override { return kToday; }
  std::string timeText() const override { return "9:00:00 AM"; }
};

// A profile of 100 filters and 20 newsletters (days "3", one per filter 0 to 19) in a temporary
// folder, with the engine's context over it.
struct EngineBench {
  EngineBench()
      : folder(std::filesystem::temp_directory_path() /
               ("tidewell-engine-bench-" + std::to_string(std::random_device()()))),
        trap((std::filesystem::create_directories(folder), folder), ui, clock),
        profile(folder / "Bench.dat", trap),
        file(folder, profile, trap),
        context{trap, profile,          table,  file, settings, folder, "~",
                true, server.factory(), runner, ""} {
    std::vector<std::string> lines = store::newProfileSkeleton();
    lines[3] = "title: Bench";
    store::writeLinesDurably(folder / "Bench.dat", lines);
    addFilters();
    addNewsletters();
    table.setFilterList(store::loadFilterList(profile.load()));
    settings.smtp = "127.0.0.1";
    settings.smtp_port = "25";
    settings.from_email = "list@example.com";
    settings.from_reply_address = "list@example.com";
    server.keepSent = false;
  }
  ~EngineBench() { std::filesystem::remove_all(folder); }

  void addFilters() {
    store::ProfileModel model(profile);
    std::vector<int> indexes;
    for (int f = 0; f < kFilters; ++f) {
      indexes.push_back(model.cmdNewInbound_Click(model.filtersTitle())->index);
    }
    profile.change(store::Procedure{"bench"}, [&](store::ProfileDocument& doc) {
      for (int f = 0; f < kFilters; ++f) {
        auto rules = rulesOf(f);
        for (int r = 0; r < kRulesPerFilter; ++r) {
          doc.set(indexes[f], "rule" + std::to_string(r + 1), rules[r]);
        }
        doc.set(indexes[f], "extractkeys", extractKeys());
        doc.set(indexes[f], "toname", "~name~");
      }
    });
  }

  void addNewsletters() {
    store::ProfileModel model(profile);
    std::string body = "<html><body>Dear ~name~,\r\n" + filler(5000) + "\r\n~email~</body></html>";
    for (int n = 0; n < kNewsletters; ++n) {
      int index = model.cmdNewNewsletter_Click(model.newslettersTitle())->index;
      auto path = folder / ("letter" + std::to_string(n) + ".html");
      store::writeFileDurably(path, body);
      profile.change(store::Procedure{"bench"}, [&](store::ProfileDocument& doc) {
        doc.set(index, "location", path.string());
        doc.set(index, "subject", "News for ~name~");
        doc.set(index, "days", "3");
        doc.set(index, "rule", "Filter_" + std::to_string(n + 1));
      });
    }
  }

  // count subscribers spread over filters 0 to 19, signed up long ago unless due.
  void fillTable(int count, int dueEvery) {
    table = store::SubscriberTable();
    table.setFilterList(store::loadFilterList(profile.load()));
    table.reserve(count);
    store::Date longAgo{2026, 11, 1};
    store::Date threeDaysAgo{2026, 12, 4};
    for (int i = 0; i < count; ++i) {
      store::SubscriberData d;
      d.email = "reader" + std::to_string(i) + "@example.com";
      d.name = "Reader " + std::to_string(i);
      d.filterTitle = "Filter_" + std::to_string(i % kNewsletters + 1);
      d.signup = dueEvery && i % dueEvery == 0 ? threeDaysAgo : longAgo;
      d.pmf = "email[/\\]" + d.email + "[\\/]name[/\\]" + d.name + "[\\/]";
      table.add(d);
    }
    table.clearChanged();
  }

  std::filesystem::path folder;
  store::SilentOperator ui;
  FixedClock clock;
  store::ErrorTrap trap;
  store::ProfileStore profile;
  store::SubscriberFile file;
  store::SubscriberTable table;
  store::CampaignProperties settings;
  mail::FakeMailServer server;
  mail::InPlaceRunner runner;
  engine::EngineContext context;
};

EngineBench* bench = nullptr;

std::vector<mail::IncomingMessage> downloadedMessages() {
  std::vector<mail::IncomingMessage> messages;
  std::string body = filler(2000);
  for (int i = 0; i < kMessages; ++i) {
    mail::IncomingMessage m;
    m.senderAddress = "new" + std::to_string(i) + "@example.org";
    m.body = body;
    if (i % 10 == 0) {
      int f = (i / 10) % kFilters;
      m.subject = "please " + keyword(f, 1);
      m.body += "\r\nName: New Reader " + std::to_string(i) + "\r\n";
    } else {
      m.subject = "Re: your weekly update " + std::to_string(i);
    }
    messages.push_back(std::move(m));
  }
  return messages;
}

void BM_MatchAndExtract(benchmark::State& state) {
  bench->fillTable(100'000, 0);
  auto messages = downloadedMessages();
  std::size_t signUps = 0;
  for (auto _ : state) {
    engine::FilterMatcher matcher(bench->table.filterList());
    engine::SubscriberIndex index(bench->table, engine::SubscriberIndex::Comparison::kExact);
    signUps = 0;
    for (const auto& m : messages) {
      engine::MessageView view{m.subject, m.body, m.senderAddress};
      auto match = matcher.MatchFilter(view, bench->table, index);
      if (match.kind != engine::MatchResult::Kind::kSignUp) continue;
      auto extraction = engine::ExtractFields(m.body, *match.filter);
      benchmark::DoNotOptimize(extraction.pmf.data());
      ++signUps;
    }
  }
  state.counters["messages"] = kMessages;
  state.counters["sign_ups"] = static_cast<double>(signUps);
}
BENCHMARK(BM_MatchAndExtract)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SendingPassNothingDue(benchmark::State& state) {
  bench->fillTable(1'000'000, 0);
  for (auto _ : state) {
    engine::SendCounters counters;
    auto client = bench->server.factory()();
    engine::SendingPass pass(bench->context, counters, *client);
    benchmark::DoNotOptimize(pass.VBSendMessage());
  }
  state.counters["sent"] = static_cast<double>(bench->server.sendCount);
}
BENCHMARK(BM_SendingPassNothingDue)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SendingPass100kDue(benchmark::State& state) {
  bench->fillTable(1'000'000, 10);
  std::size_t sent = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (store::Position p = 0; p < bench->table.size(); p += 10) {
      bench->table.setSentList(p, "none");
    }
    std::size_t before = bench->server.sendCount;
    state.ResumeTiming();
    engine::SendCounters counters;
    auto client = bench->server.factory()();
    engine::SendingPass pass(bench->context, counters, *client);
    pass.VBSendMessage();
    sent = bench->server.sendCount - before;
  }
  state.counters["sent"] = static_cast<double>(sent);
}
BENCHMARK(BM_SendingPass100kDue)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FillFields50KB(benchmark::State& state) {
  engine::NewsletterRecord newsletter;
  static const char* kNames[] = {"name", "email", "city", "first", "last"};
  std::string chunk = filler(5000);
  for (int i = 0; i < 10; ++i) {
    newsletter.body += "<p>" + chunk + " ~" + std::string(kNames[i % 5]) + "~</p>\r\n";
  }
  store::FieldTable fields;
  for (int i = 0; i < 5; ++i) {
    fields[i].name = kNames[i];
    fields[i].value = std::string("value of ") + kNames[i];
    fields[i].active = true;
  }
  for (auto _ : state) {
    auto text = engine::f_fill_fields("body", newsletter, fields, "~");
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["body_kb"] = static_cast<double>(newsletter.body.size()) / 1024;
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FillFields50KB)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  EngineBench shared;
  bench = &shared;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
