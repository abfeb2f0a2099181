#pragma once
// GMime's process-wide set-up, done once by whichever thread first parses or builds a message.
namespace tidewell::mail {

class GmimeLibrary {
 public:
  // Safe to call from any thread, any number of times.
  static void ensureInitialised();
};

}  // namespace tidewell::mail
