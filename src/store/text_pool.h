#pragma once
// Interned texts: each distinct text is kept once and named by a 32-bit id, so a million
// subscribers share their few filter titles, active texts and field names. Owned by the
// subscriber table; one thread.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tidewell::store {

using TextId = std::uint32_t;

class TextPool {
 public:
  TextPool() = default;
  TextPool(const TextPool&) = delete;
  TextPool& operator=(const TextPool&) = delete;
  TextPool(TextPool&&) = default;
  TextPool& operator=(TextPool&&) = default;

  // A copy with the same ids (the copy constructor is gone: the keys are views of the texts).
  TextPool clone() const;

  // The id of the text, adding it when it is new.
  TextId intern(std::string_view text);
  // The id of the text when it is in the pool; never adds.
  std::optional<TextId> find(std::string_view text) const;
  std::string_view text(TextId id) const { return m_texts[id]; }
  std::size_t size() const { return m_texts.size(); }

 private:
  // Finds a text by comparing: faster than hashing for a handful of titles or active texts.
  std::optional<TextId> scan(std::string_view text) const;
  TextId add(std::string_view text);

  // A deque never moves its strings, so the views used as keys stay valid.
  std::deque<std::string> m_texts;
  std::unordered_map<std::string_view, TextId> m_ids;
  // Loading asks for the same title or flag many times in a row.
  TextId m_lastId = 0;
  bool m_hasLast = false;
};

}  // namespace tidewell::store
