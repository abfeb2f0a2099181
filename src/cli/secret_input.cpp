#include "cli/secret_input.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

namespace tidewell::cli {

namespace {

std::optional<std::string> readLine(std::istream& in) {
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// Turns the terminal's echo off for as long as it lives.
class EchoOff {
 public:
  EchoOff() : m_active(tcgetattr(STDIN_FILENO, &m_saved) == 0) {
    if (!m_active) return;
    termios quiet = m_saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  ~EchoOff() {
    if (m_active) tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  termios m_saved{};
  bool m_active;
};

std::optional<std::string> askQuietly(const std::string& prompt) {
  std::cerr << prompt << std::flush;
  EchoOff quiet;
  auto line = readLine(std::cin);
  std::cerr << '\n';
  return line;
}

}  // namespace

std::optional<std::string> readSecret(const std::string& prompt) {
  if (!isatty(STDIN_FILENO)) return readLine(std::cin);
  auto first = askQuietly(prompt + ": ");
  if (!first) return std::nullopt;
  auto second = askQuietly(prompt + " (again): ");
  if (!second || *second != *first) return std::nullopt;
  return first;
}

}  // namespace tidewell::cli
