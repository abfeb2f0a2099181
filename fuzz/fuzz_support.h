#pragma once
// What the fuzz targets share: a scratch folder with a quiet error trap, input splitting, and the
// check that stops the run when an invariant breaks.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "store/clock.h"
#include "store/error_trap.h"
#include "store/operator_interface.h"

namespace tidewell::fuzz {

// An invariant that does not hold is a finding: libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(condition)                                                                \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (0)

// One folder per process, in memory when /dev/shm exists (a flush there costs nothing), emptied
// after every input by Scratch's destructor and removed when the process ends.
inline const std::filesystem::path& scratchRoot() {
  static const std::filesystem::path root = [] {
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = (base / "tidewell-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(scratchRoot(), ignored);
    });
    return std::filesystem::path(pattern);
  }();
  return root;
}

// The files of one input and the trap the code under test reports into.
class Scratch {
 public:
  Scratch() : m_trap(scratchRoot(), m_ui, m_clock) {}
  ~Scratch() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(scratchRoot(), ignored)) {
      std::filesystem::remove_all(entry.path(), ignored);
    }
  }

  const std::filesystem::path& folder() const { return scratchRoot(); }
  store::ErrorTrap& trap() { return m_trap; }

  std::filesystem::path write(const std::string& name, std::string_view bytes) const {
    std::filesystem::path path = folder() / name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
    return path;
  }

 private:
  store::SilentOperator m_ui;
  store::SystemClock m_clock{store::Date{2026, 12, 7}};
  store::ErrorTrap m_trap;
};

inline std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The input cut at every unit separator (0x1F) into exactly `count` texts (missing ones empty,
// the last one takes the rest), so one input can stand for several arguments.
inline std::vector<std::string_view> splitInput(const std::uint8_t* data, std::size_t size,
                                                std::size_t count) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < count) {
    std::size_t at = rest.find('\x1f');
    if (at == std::string_view::npos) break;
    parts.push_back(rest.substr(0, at));
    rest.remove_prefix(at + 1);
  }
  parts.push_back(rest);
  parts.resize(count);
  return parts;
}

}  // namespace tidewell::fuzz
