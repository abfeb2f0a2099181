#pragma once
// The command line split into the command's positional words and its --options. Options may
// repeat (--map); a missing or malformed argument raises UsageError, which exits with 2.

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tidewell::cli {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Arguments {
 public:
  // Every "--name value" pair becomes an option (a flag such as --csv takes no value); every
  // other word is positional.
  static Arguments parse(const std::vector<std::string>& words);

  const std::vector<std::string>& positional() const { return m_positional; }
  std::size_t count() const { return m_positional.size(); }
  const std::string& at(std::size_t i, const std::string& what) const;
  std::optional<std::string> option(const std::string& name) const;
  std::string required(const std::string& name) const;
  std::vector<std::string> all(const std::string& name) const;
  // Raises unless the command got exactly n positional words and only the named options.
  void expect(std::size_t n, const std::vector<std::string>& allowedOptions) const;

 private:
  std::vector<std::string> m_positional;
  std::multimap<std::string, std::string> m_options;
};

// A whole number argument; raises UsageError otherwise.
int toInt(const std::string& text, const std::string& what);

}  // namespace tidewell::cli
