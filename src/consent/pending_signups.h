#pragma once
// Sign-ups waiting for their confirmation: "<title>.pending" beside the profile, one line per
// sign-up (address TAB filter TAB date TAB time TAB reminder date or "-" TAB PMF string TAB the
// sign-up's Message-ID TAB the visitor's IP or "-", then the name, the date the confirmation
// went out or "-", the confirmation code, the name and SHA-256 of the confirmation text, and
// "link" or "reply": whether the message may offer the kit's link). A pending sign-up is not a
// subscriber. Loaded and rewritten whole through the work file; one thread.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/date_text.h"

namespace tidewell::consent {

struct PendingSignup {
  std::string address;
  std::string filter;
  store::Date date;
  std::string time;
  std::optional<store::Date> reminded;
  std::string pmf;
  std::string signupMessageId;
  std::string ip;
  std::string name;
  std::optional<store::Date> sent;  // when the confirmation went out; none: still to send
  std::string code;
  std::string textName;
  std::string textSha256;
  bool linkAllowed = true;  // false for a sign-up from a kit that has no confirmation page
};

class PendingSignups {
 public:
  // "Gold.pending" for the profile "Gold.txt".
  static std::filesystem::path pathFor(const std::filesystem::path& profile);

  explicit PendingSignups(std::filesystem::path path) : m_path(std::move(path)) {}

  // Reads the file (a missing file is none); a line with too few fields is skipped. Raises
  // TrapError when the file cannot be read.
  void load();
  // Rewrites the file durably when something changed; raises TrapError on failure.
  void save();

  const std::vector<PendingSignup>& entries() const { return m_entries; }
  // For changes in place; call markChanged() after them.
  std::vector<PendingSignup>& entries() { return m_entries; }
  // The sign-up of the address (letter case ignored) for the filter; nullptr when none.
  PendingSignup* find(std::string_view address, std::string_view filter);
  // Every sign-up of the address, in any filter.
  std::vector<PendingSignup*> findAddress(std::string_view address);
  // Adds the sign-up, or replaces the waiting one of the same address and filter.
  void put(PendingSignup signup);
  // Removes the sign-up and returns it.
  std::optional<PendingSignup> take(std::string_view address, std::string_view filter);
  void markChanged() { m_changed = true; }
  bool changed() const { return m_changed; }
  const std::filesystem::path& path() const { return m_path; }

 private:
  std::filesystem::path m_path;
  std::vector<PendingSignup> m_entries;
  bool m_changed = false;
};

// One line of the file, and back; nothing when the line has fewer than eight fields.
std::string pendingLine(const PendingSignup& signup);
std::optional<PendingSignup> parsePendingLine(std::string_view line);

}  // namespace tidewell::consent
