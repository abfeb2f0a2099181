// Times every store operation on a profile of 200 filters and 200 newsletters (each filter
// followed by the newsletter assigned to it). Each changing operation commits through the
// flushed work file, so the figures include the disk flush. The profile lives in TMPDIR.
//
//   build/bench/store_bench --benchmark_time_unit=ms

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "store/clock.h"
#include "store/error_trap.h"
#include "store/filter_record.h"
#include "store/profile_model.h"
#include "store/profile_store.h"
#include "store/text.h"
#include "store/text_file.h"

namespace {

using namespace tidewell::store;

constexpr int kFilters = 200;

std::vector<std::string> benchProfile() {
  std::vector<std::string> lines = newProfileSkeleton();
  lines[3] = "title: Gold";
  int index = 5;
  for (int i = 1; i <= kFilters; ++i) {
    std::string filter = "Filter_" + std::to_string(i);
    std::vector<std::string> block{"rule_properties_start",
                                   "index: " + std::to_string(index++),
                                   "name: rule_properties_start",
                                   "title: " + filter,
                                   "parent: Filters",
                                   "subject: join " + std::to_string(i),
                                   "body: ",
                                   "optout: " + std::to_string(1000 + i),
                                   "fields: " + defaultFieldsValue(),
                                   "extractkeys: " + defaultExtractKeysValue(),
                                   "toname: ~name~",
                                   "redirect: ",
                                   "rule1: <1<Subject>1> <2<Has>2> <3<join>3> <4<Or>4>",
                                   "rule2: <1<Body>1> <2<Has>2> <3<subscribe>3>",
                                   "displayname: List " + std::to_string(i),
                                   "rule_properties_end",
                                   "",
                                   "newsletter_properties_start",
                                   "index: " + std::to_string(index++),
                                   "name: newsletter_properties_start",
                                   "title: Welcome " + std::to_string(i),
                                   "parent: Newsletters",
                                   "subject: Welcome ~name~",
                                   "location: /srv/letters/welcome.html",
                                   "attach: ",
                                   "days: 0",
                                   "verify: false",
                                   "rule: " + filter,
                                   "timessent: 0",
                                   "date: date not set",
                                   "dateordays: days",
                                   "newsletter_properties_end",
                                   ""};
    lines.insert(lines.end(), block.begin(), block.end());
  }
  return lines;
}

// A profile file in a fresh folder, with a silent operator and a trap logging beside it.
class BenchProfile {
 public:
  BenchProfile()
      : m_folder(std::filesystem::temp_directory_path() /
                 ("tidewell-bench-" + std::to_string(std::random_device()()))),
        m_trap((std::filesystem::create_directories(m_folder), m_folder), m_ui, m_clock),
        m_store(m_folder / "Gold.dat", m_trap) {
    m_original = benchProfile();
    reset();
  }
  ~BenchProfile() { std::filesystem::remove_all(m_folder); }
  void reset() { writeLinesDurably(m_store.path(), m_original); }
  ProfileStore& store() { return m_store; }
  int errors() const { return m_trap.reportCount(); }

 private:
  std::filesystem::path m_folder;
  SilentOperator m_ui;
  SystemClock m_clock;
  ErrorTrap m_trap;
  ProfileStore m_store;
  std::vector<std::string> m_original;
};

BenchProfile& profile() {
  static BenchProfile p;
  return p;
}

void finish(benchmark::State& state) {
  if (profile().errors() > 0) state.SkipWithError("the store reported an error");
  state.counters["lines"] = static_cast<double>(profile().store().load().lines().size());
}

void BM_GetFromFile_new(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(profile().store().GetFromFile_new(403, "rule2"));
  finish(state);
}

void BM_GetFromFile(benchmark::State& state) {
  for (auto _ : state) {
    int line = 0;
    benchmark::DoNotOptimize(
        profile().store().GetFromFile("inbound_properties_start", "title:", line));
  }
  finish(state);
}

void BM_UpdateFile_new(benchmark::State& state) {
  int n = 0;
  for (auto _ : state) profile().store().UpdateFile_new(403, "subject", std::to_string(n++));
  finish(state);
}

void BM_UpdateFile_title_rename(benchmark::State& state) {
  bool flip = false;
  for (auto _ : state) {
    profile().store().UpdateFile(flip ? "title: Newsletters" : "title: Letters",
                                 flip ? "Letters" : "Newsletters", 3);
    flip = !flip;
  }
  finish(state);
}

void BM_UpdateNewsletterRule(benchmark::State& state) {
  bool flip = false;
  for (auto _ : state) {
    profile().store().UpdateNewsletterRule(flip ? "Renamed" : "Filter_100",
                                           flip ? "Filter_100" : "Renamed");
    flip = !flip;
  }
  finish(state);
}

void BM_DeleteFromFile_new_and_RegenProperty(benchmark::State& state) {
  for (auto _ : state) {
    profile().store().UpdateFile_new(403, "rule3", "<1<From>1> <2<Has>2> <3<x>3>");
    profile().store().DeleteFromFile_new(403, "rule1");
    profile().store().RegenProperty(403, "rule");
  }
  state.counters["operations_per_iteration"] = 3;
  finish(state);
}

void BM_DeleteNode_then_UpdateIndex(benchmark::State& state) {
  for (auto _ : state) {
    profile().store().DeleteNode(205);  // a filter and its newsletter
    profile().store().UpdateIndex();
    state.PauseTiming();
    profile().reset();
    state.ResumeTiming();
  }
  finish(state);
}

void BM_UpdateIndex(benchmark::State& state) {
  for (auto _ : state) profile().store().UpdateIndex();
  finish(state);
}

void BM_IsDuplicate(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(profile().store().IsDuplicate("title: Nothing"));
  finish(state);
}

void BM_RuleExist(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(profile().store().RuleExist("Nothing", ""));
  finish(state);
}

void BM_CopyFile(benchmark::State& state) {
  std::string text = tidewell::store::joinLinesCrLf(profile().store().load().lines());
  for (auto _ : state) {
    state.PauseTiming();
    writeWorkFile(profile().store().path(), text);
    state.ResumeTiming();
    profile().store().CopyFile();
  }
  finish(state);
}

void BM_NewFilter_and_NewNewsletter(benchmark::State& state) {
  ProfileModel model(profile().store());
  for (auto _ : state) {
    model.cmdNewInbound_Click("Filters");
    model.cmdNewNewsletter_Click("Newsletters");
    state.PauseTiming();
    profile().reset();
    state.ResumeTiming();
  }
  state.counters["operations_per_iteration"] = 2;
  finish(state);
}

void BM_LoadFilterList(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(loadFilterList(profile().store().load()));
  finish(state);
}

}  // namespace

BENCHMARK(BM_GetFromFile_new)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetFromFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateFile_new)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateFile_title_rename)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateNewsletterRule)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteFromFile_new_and_RegenProperty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteNode_then_UpdateIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IsDuplicate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RuleExist)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NewFilter_and_NewNewsletter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFilterList)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
