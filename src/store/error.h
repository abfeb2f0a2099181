#pragma once
// Errors of the core: a number and a description, raised inside a procedure and caught by
// that procedure's trap (error_trap.h). They never cross a subsystem boundary.

#include <stdexcept>
#include <string>

namespace tidewell::store {

// Error numbers written to the error log. System call failures add errno to kSystemBase so
// the log keeps the operating system's own number.
enum ErrorNumber : int {
  kOverflow = 6,
  kOutOfMemory = 7,
  kTypeMismatch = 13,
  kBadFileName = 52,
  kFileNotFound = 53,
  kDiskFull = 61,
  kPathAccess = 75,
  kBadFormat = 1001,
  kBadArgument = 1002,
  kNoSuchBlock = 1003,
  kMailTransfer = 1004,  // a mail server refused or the connection failed
  // The desktop's keyring could not keep or give a secret.
  kKeyringUnavailable = 1010,
  kSystemBase = 2000,
};

struct Error {
  int number = 0;
  std::string description;
};

// Thrown by core code to leave a procedure for its trap.
class TrapError : public std::runtime_error {
 public:
  TrapError(int number, const std::string& description)
      : std::runtime_error(description), m_number(number) {}
  int number() const noexcept { return m_number; }

 private:
  int m_number;
};

[[noreturn]] inline void raise(int number, const std::string& description) {
  throw TrapError(number, description);
}

// Raises the error of a failed system call, with errno's text.
[[noreturn]] void raiseSystemError(int savedErrno, const std::string& what);

// The error of the exception in flight (call only inside a catch block).
Error currentError() noexcept;

}  // namespace tidewell::store
