#include "store/text_pool.h"

#include <limits>

#include "store/error.h"

namespace tidewell::store {

namespace {

// Titles and active texts are a handful; comparing them beats hashing.
constexpr std::size_t kScannedPoolSize = 8;

}  // namespace

TextId TextPool::intern(std::string_view text) {
  if (!m_hasLast || m_texts[m_lastId] != text) {
    std::optional<TextId> known = m_texts.size() <= kScannedPoolSize ? scan(text) : find(text);
    m_lastId = known ? *known : add(text);
    m_hasLast = true;
  }
  return m_lastId;
}

TextPool TextPool::clone() const {
  TextPool copy;
  for (const std::string& text : m_texts) copy.add(text);
  return copy;
}

TextId TextPool::add(std::string_view text) {
  if (m_texts.size() >= std::numeric_limits<TextId>::max()) {
    raise(kOverflow, "Too many distinct texts in the subscriber table");
  }
  m_texts.emplace_back(text);
  auto id = static_cast<TextId>(m_texts.size() - 1);
  m_ids.emplace(m_texts.back(), id);
  return id;
}

std::optional<TextId> TextPool::scan(std::string_view text) const {
  for (std::size_t i = 0; i < m_texts.size(); ++i) {
    if (m_texts[i] == text) return static_cast<TextId>(i);
  }
  return std::nullopt;
}

std::optional<TextId> TextPool::find(std::string_view text) const {
  auto found = m_ids.find(text);
  if (found == m_ids.end()) return std::nullopt;
  return found->second;
}

}  // namespace tidewell::store
