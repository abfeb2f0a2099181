// The subscriber table at the scale of a large list: a subscriber file of 1,000,000 records
// (3 filters, 3 filled personal fields each, sent lists of 0 to 3 titles) is written to TMPDIR,
// then read raw (the floor of a load), loaded, written raw (the floor of a save), saved, shown
// through a filter and searched once whole.
// The resident memory of the loaded table is printed as counters (MB).
//
//   build/bench/subscriber_bench --benchmark_time_unit=ms

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "store/clock.h"
#include "store/error_trap.h"
#include "store/filter_record.h"
#include "store/pmf_string.h"
#include "store/profile_model.h"
#include "store/profile_store.h"
#include "store/subscriber_file.h"
#include "store/text_file.h"
#include "subscribers/grid_column_table.h"
#include "subscribers/subscriber_finder.h"
#include "subscribers/subscriber_grid.h"

namespace {

using namespace tidewell;

constexpr int kRecords = 1'000'000;
constexpr int kFilters = 3;

// Resident and peak resident memory of this process in MB, from /proc/self/status.
double statusMegabytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
  }
  return 0;
}

std::vector<std::string> benchProfile() {
  std::vector<std::string> lines = store::newProfileSkeleton();
  lines[3] = "title: Bench";
  for (int i = 1; i <= kFilters; ++i) {
    std::vector<std::string> block{"rule_properties_start",
                                   "index: " + std::to_string(4 + i),
                                   "name: rule_properties_start",
                                   "title: Filter_" + std::to_string(i),
                                   "parent: Filters",
                                   "subject: join " + std::to_string(i),
                                   "fields: email:Email Address:on,name:Name:on,city:City:on,",
                                   "toname: ~name~",
                                   "displayname: List " + std::to_string(i),
                                   "rule_properties_end",
                                   ""};
    lines.insert(lines.end(), block.begin(), block.end());
  }
  return lines;
}

void writeSubscriberFile(const std::filesystem::path& path) {
  static const char* kFirst[] = {"Ann", "Bob", "Carla", "Dmitri", "Eva", "Farid", "Gunnhild"};
  static const char* kLast[] = {"Lee", "Olsen", "Okafor", "Novak", "Garcia", "Haugen", "Smith"};
  static const char* kCities[] = {"Oslo", "Bergen", "Lagos", "Prague", "Madrid", "Tromso"};
  static const char* kSent[] = {"none", "Welcome[\\?]", "Welcome[\\?]Tips #1[\\?]",
                                "Welcome[\\?]Tips #1[\\?]December Offer[\\?]"};
  std::mt19937 random(7);
  std::FILE* out = std::fopen(path.c_str(), "wb");
  std::string record;
  for (int i = 0; i < kRecords; ++i) {
    std::string first = kFirst[random() % 7];
    std::string last = kLast[random() % 7];
    std::string email =
        first + "." + last + std::to_string(i) + "@example" + std::to_string(i % 50) + ".com";
    std::string name = first + " " + last;
    store::Date signup = store::fromDayNumber(19000 + static_cast<int>(i / 1000));
    std::string pmf;
    store::appendPmf(pmf, {{0, "email", email}, {1, "name", name}, {2, "city", kCities[i % 6]}});
    record = email + "\r\n" + name + "\r\n" + store::shortDateText(signup) + "\r\n" +
             kSent[random() % 4] + "\r\n" + (random() % 10 ? "true" : "false") + "\r\n" +
             "Filter_" + std::to_string(1 + i % kFilters) + "\r\n" + pmf + "\r\n\r\n";
    std::fwrite(record.data(), 1, record.size(), out);
  }
  std::fclose(out);
}

// The profile, its subscriber file and the table the benchmarks share.
struct Bench {
  Bench()
      : folder(std::filesystem::temp_directory_path() /
               ("tidewell-subscriber-bench-" + std::to_string(std::random_device()()))),
        trap((std::filesystem::create_directories(folder), folder), ui, clock),
        profile(folder / "Bench.dat", trap),
        file(folder, profile, trap),
        grid(table, columns) {
    store::writeLinesDurably(folder / "Bench.dat", benchProfile());
    writeSubscriberFile(folder / "Bench.txt");
    table.setFilterList(store::loadFilterList(profile.load()));
  }
  ~Bench() { std::filesystem::remove_all(folder); }

  std::filesystem::path folder;
  store::SilentOperator ui;
  store::SystemClock clock;
  store::ErrorTrap trap;
  store::ProfileStore profile;
  store::SubscriberFile file;
  store::SubscriberTable table;
  subscribers::GridColumnTable columns;
  subscribers::SubscriberGrid grid;
};

Bench* bench = nullptr;

void BM_RawRead(benchmark::State& state) {
  std::vector<char> buffer(1 << 20);
  for (auto _ : state) {
    int fd = ::open((bench->folder / "Bench.txt").c_str(), O_RDONLY);
    std::size_t total = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) total += n;
    ::close(fd);
    benchmark::DoNotOptimize(total);
    state.counters["file_mb"] = static_cast<double>(total) / (1 << 20);
  }
}
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor of a save: as many bytes written, flushed and renamed over a file.
void BM_RawWrite(benchmark::State& state) {
  std::string block(1 << 20, 'x');
  auto size = std::filesystem::file_size(bench->folder / "Bench.txt");
  std::filesystem::path target = bench->folder / "Raw.txt";
  for (auto _ : state) {
    std::filesystem::path work = target.string() + ".bac";
    int fd = ::open(work.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::uintmax_t written = 0; written < size; written += block.size()) {
      if (::write(fd, block.data(), block.size()) < 0) state.SkipWithError("write failed");
    }
    ::fsync(fd);
    ::close(fd);
    std::filesystem::rename(work, target);
  }
}
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Load(benchmark::State& state) {
  double before = statusMegabytes("VmRSS");
  for (auto _ : state) {
    if (!bench->file.LoadSubscriberFile(bench->table)) state.SkipWithError("load failed");
  }
  state.counters["records"] = static_cast<double>(bench->table.size());
  state.counters["rss_before_mb"] = before;
  state.counters["rss_after_mb"] = statusMegabytes("VmRSS");
  state.counters["peak_rss_mb"] = statusMegabytes("VmHWM");
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_Save(benchmark::State& state) {
  for (auto _ : state) {
    bench->table.setChanged();
    if (!bench->file.Save_Email(bench->table)) state.SkipWithError("save failed");
  }
  state.counters["peak_rss_mb"] = statusMegabytes("VmHWM");
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ShowFilterRebuild(benchmark::State& state) {
  bench->grid.setShowFilter(subscribers::ShowFilter::filter("Filter_2"));
  for (auto _ : state) bench->grid.loadgrid();
  state.counters["rows"] = bench->grid.rowCount();
}
BENCHMARK(BM_ShowFilterRebuild)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FindWholeTable(benchmark::State& state) {
  subscribers::SubscriberFinder finder;
  finder.setSearchPersonalFields(state.range(0) != 0);
  store::SilentOperator answersNo;
  for (auto _ : state) {
    finder.setText("nobody@nowhere");
    auto found = finder.findNext(bench->table, subscribers::ShowFilter(), answersNo);
    if (found) state.SkipWithError("found a record that is not there");
  }
}
BENCHMARK(BM_FindWholeTable)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Bench shared;
  bench = &shared;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
