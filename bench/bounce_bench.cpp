// Delivery-report reading speed: 10,000 reports (the test corpus over and over) read as the
// classify command reads them (GMime parse, then the report reader), beside GMime's parse alone
// as the reference, in the same run. Prints reports per second for five rounds, the median and
// the range, and the share of the time the reader adds.
//
//   bounce_bench [CORPUS_DIR] [COUNT]     (default tests/data/bounces, 10000)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/delivery_report_reader.h"
#include "mail/message_parser.h"
#include "store/text_file.h"

namespace {

using namespace tidewell;
using Clock = std::chrono::steady_clock;

std::vector<std::string> loadReports(const std::filesystem::path& dir, std::size_t count) {
  std::vector<std::string> corpus;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".eml") corpus.push_back(store::readFileBytes(entry.path()));
  }
  std::vector<std::string> reports;
  for (std::size_t i = 0; i < count && !corpus.empty(); ++i) {
    reports.push_back(corpus[i % corpus.size()]);
  }
  return reports;
}

template <class Work>
double perSecond(const std::vector<std::string>& reports, Work&& work) {
  std::size_t found = 0;
  auto start = Clock::now();
  for (const auto& raw : reports) found += work(raw);
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (found == 0) std::fprintf(stderr, "nothing found\n");
  return static_cast<double>(reports.size()) / seconds;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path dir = argc > 1 ? argv[1] : TIDEWELL_BOUNCE_CORPUS;
  std::size_t count = argc > 2 ? std::stoul(argv[2]) : 10000;
  auto reports = loadReports(dir, count);
  if (reports.empty()) {
    std::fprintf(stderr, "no .eml files in %s\n", dir.c_str());
    return 1;
  }
  std::vector<double> classify, parse;
  for (int round = 0; round < 5; ++round) {
    parse.push_back(perSecond(reports, [](const std::string& raw) {
      return mail::MessageParser::parse(raw, "u").fullText.size();
    }));
    classify.push_back(perSecond(reports, [](const std::string& raw) {
      return engine::readDeliveryReport(mail::MessageParser::parse(raw, "u")).recipients.size();
    }));
    std::printf("round %d: classify %.0f reports/s, parse only %.0f reports/s\n", round + 1,
                classify.back(), parse.back());
  }
  auto [cmin, cmax] = std::minmax_element(classify.begin(), classify.end());
  auto [pmin, pmax] = std::minmax_element(parse.begin(), parse.end());
  std::printf(
      "%zu reports: classify median %.0f/s (range %.0f-%.0f), parse only median %.0f/s "
      "(range %.0f-%.0f); classify takes %.2fx the time of parsing alone\n",
      reports.size(), median(classify), *cmin, *cmax, median(parse), *pmin, *pmax,
      median(parse) / median(classify));
  return 0;
}
