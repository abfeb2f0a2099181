#include "cli/arguments.h"

#include <algorithm>
#include <charconv>

namespace tidewell::cli {

namespace {

// Options that take no value.
bool isFlag(const std::string& word) {
  return word == "--csv";
}

}  // namespace

Arguments Arguments::parse(const std::vector<std::string>& words) {
  Arguments args;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (isFlag(word)) {
      args.m_options.emplace(word.substr(2), "");
    } else if (word.size() > 2 && word.rfind("--", 0) == 0) {
      if (i + 1 >= words.size()) throw UsageError(word + " needs a value");
      args.m_options.emplace(word.substr(2), words[++i]);
    } else {
      args.m_positional.push_back(word);
    }
  }
  return args;
}

const std::string& Arguments::at(std::size_t i, const std::string& what) const {
  if (i >= m_positional.size()) throw UsageError("missing " + what);
  return m_positional[i];
}

std::optional<std::string> Arguments::option(const std::string& name) const {
  auto it = m_options.find(name);
  if (it == m_options.end()) return std::nullopt;
  return it->second;
}

std::string Arguments::required(const std::string& name) const {
  auto value = option(name);
  if (!value) throw UsageError("missing --" + name);
  return *value;
}

std::vector<std::string> Arguments::all(const std::string& name) const {
  std::vector<std::string> values;
  auto [first, last] = m_options.equal_range(name);
  for (auto it = first; it != last; ++it) values.push_back(it->second);
  return values;
}

void Arguments::expect(std::size_t n, const std::vector<std::string>& allowedOptions) const {
  if (m_positional.size() < n) throw UsageError("too few arguments");
  if (m_positional.size() > n) throw UsageError("unexpected argument " + m_positional[n]);
  for (const auto& [name, value] : m_options) {
    if (std::find(allowedOptions.begin(), allowedOptions.end(), name) == allowedOptions.end()) {
      throw UsageError("unknown option --" + name);
    }
  }
}

int toInt(const std::string& text, const std::string& what) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
    throw UsageError(what + " must be a whole number: " + text);
  }
  return value;
}

}  // namespace tidewell::cli
