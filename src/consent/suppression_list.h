#pragma once
// The addresses that are never mailed, whatever list they are on: "<title>.suppressed" beside
// the profile, one entry per line: an address, "@domain" or "sha256:" + the hex SHA-256 of an
// erased person's lower-case address, TAB date TAB reason (bounce, complaint, manual, import,
// erased). Fields after the reason are kept but not read. Rewritten through a work file like
// the other files; one thread.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/date_text.h"

namespace tidewell::consent {

class SuppressionList {
 public:
  struct Entry {
    std::string key;  // lower case: "ann@example.com", "@example.com" or "sha256:..."
    store::Date date;
    std::string reason;
  };

  // The file beside the profile: the profile's name with ".suppressed".
  static std::filesystem::path pathFor(const std::filesystem::path& profilePath);
  // "sha256:" + hex SHA-256 of the lower-case address.
  static std::string hashKey(std::string_view address);
  // The entry a text stands for: an address, "@domain" or a hash, in lower case; nothing when
  // the text is none of these.
  static std::optional<std::string> keyOf(std::string_view text);

  SuppressionList() = default;
  // Reads the file when there is one; lines that cannot be read are skipped.
  explicit SuppressionList(std::filesystem::path path);

  // Whether the address, its "@domain" or its hash is on the list.
  bool blocks(std::string_view address) const;
  // The entry that blocks the address, if any.
  const Entry* blockingEntry(std::string_view address) const;

  // Adds an entry (see keyOf); false when the text is no entry or the entry is there already.
  bool add(std::string_view text, const store::Date& date, std::string_view reason);
  // Removes the entry for this text (an address also loses its hash entry); false when none.
  bool remove(std::string_view text);
  // The address signed up again by itself or confirmed: entries that a bounce or an import
  // made for it are lifted, those the operator or the person asked for stay.
  bool liftAutomatic(std::string_view address);

  // Rewrites the file when something changed.
  void save();
  bool changed() const { return m_changed; }
  const std::vector<Entry>& entries() const { return m_entries; }
  const std::filesystem::path& path() const { return m_path; }

 private:
  void load();
  std::vector<Entry>::const_iterator findKey(std::string_view key) const;
  void reindex();

  std::filesystem::path m_path;
  std::vector<Entry> m_entries;
  // Key to position in m_entries, so that a pass over a million subscribers stays quick.
  std::unordered_map<std::string, std::size_t> m_index;
  std::size_t m_hashes = 0;  // hash entries: only then is an address hashed to be looked up
  bool m_changed = false;
};

// A text or CSV file of addresses to suppress, as the operator imports it: the first field of
// each line that is an address or "@domain" (blank lines and a header line are skipped without
// a word); every other line is named with the reason.
struct SuppressionImport {
  std::vector<std::string> keys;
  std::vector<std::string> skipped;  // "line 4: no address in \"...\""
};
SuppressionImport readSuppressionImport(std::string_view text);

// The list as a file for other programs: CSV ("entry,date,reason" header, dates yyyy-MM-dd) when
// csv, else one entry per line as the list file holds them.
std::string suppressionExport(const SuppressionList& list, bool csv);

}  // namespace tidewell::consent
