#include "store/error.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>

namespace tidewell::store {

namespace {

int numberForErrno(int e) {
  switch (e) {
    case ENOENT:
      return kFileNotFound;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
      return kDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
      return kPathAccess;
    default:
      return kSystemBase + e;
  }
}

}  // namespace

void raiseSystemError(int savedErrno, const std::string& what) {
  throw TrapError(numberForErrno(savedErrno), what + ": " + std::strerror(savedErrno));
}

Error currentError() noexcept {
  try {
    throw;
  } catch (const TrapError& e) {
    return {e.number(), e.what()};
  } catch (const std::filesystem::filesystem_error& e) {
    return {numberForErrno(e.code().value()), e.what()};
  } catch (const std::bad_alloc&) {
    return {kOutOfMemory, "Out of memory"};
  } catch (const std::exception& e) {
    return {kBadArgument, e.what()};
  } catch (...) {
    return {kBadArgument, "Unknown error"};
  }
}

}  // namespace tidewell::store
