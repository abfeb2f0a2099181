#include "subscribers/csv_reader.h"

#include <algorithm>

#include "store/text.h"

namespace tidewell::subscribers {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

CsvReader::CsvReader(std::string_view text) : m_text(text) {}

bool CsvReader::skipBlankLine() {
  if (m_text.compare(m_at, 1, "\n") == 0) {
    m_at += 1;
  } else if (m_text.compare(m_at, 2, "\r\n") == 0) {
    m_at += 2;
  } else {
    return false;
  }
  ++m_line;
  return true;
}

void CsvReader::skipToNextLine(std::size_t from) {
  std::size_t lf = m_text.find('\n', from);
  m_at = lf == std::string_view::npos ? m_text.size() : lf + 1;
}

bool CsvReader::next(CsvRecord& record) {
  while (m_at < m_text.size() && skipBlankLine()) {
  }
  if (m_at >= m_text.size()) return false;
  record.lineNumber = m_line;
  record.values.clear();
  record.problem.clear();
  std::size_t start = m_at;
  while (true) {
    std::string value;
    if (!readValue(value)) {
      record.values.clear();
      record.problem = "a quoted value is not closed where a value ends";
      skipToNextLine(start);
      m_line = record.lineNumber + 1;
      return true;
    }
    record.values.push_back(std::move(value));
    if (m_at < m_text.size() && m_text[m_at] == ',') {
      ++m_at;
      continue;
    }
    skipBlankLine();  // the record's line end, when it has one
    break;
  }
  std::string_view raw = m_text.substr(start, m_at - start);
  if (raw.find('\0') != std::string_view::npos) {
    record.values.clear();
    record.problem = "it holds a NUL character, so the file is not text";
  }
  return true;
}

bool CsvReader::readValue(std::string& value) {
  if (m_at >= m_text.size() || m_text[m_at] != '"') {
    readUnquoted(value);
    return true;
  }
  ++m_at;
  // A closing quote must end the value. Anything else means the quotes are unbalanced, and
  // the lines the quoted value ran over belong to other records.
  return readQuoted(value) && (m_at == m_text.size() || m_text[m_at] == ',' ||
                               m_text[m_at] == '\n' || m_text.compare(m_at, 2, "\r\n") == 0);
}

bool CsvReader::readQuoted(std::string& value) {
  while (true) {
    std::size_t quote = m_text.find('"', m_at);
    if (quote == std::string_view::npos) return false;
    std::string_view part = m_text.substr(m_at, quote - m_at);
    m_line += static_cast<std::size_t>(std::count(part.begin(), part.end(), '\n'));
    value.append(part);
    if (m_text.compare(quote + 1, 1, "\"") == 0) {
      value.push_back('"');
      m_at = quote + 2;
      continue;
    }
    m_at = quote + 1;
    return true;
  }
}

void CsvReader::readUnquoted(std::string& value) {
  std::size_t end = m_at;
  while (end < m_text.size()) {
    char c = m_text[end];
    if (c == ',' || c == '\n') break;
    if (c == '\r' && m_text.compare(end, 2, "\r\n") == 0) break;
    ++end;
  }
  value.append(m_text.substr(m_at, end - m_at));
  m_at = end;
}

std::string csvFileText(std::string_view bytes) {
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    bytes.remove_prefix(kByteOrderMark.size());
  }
  return store::decodeFileText(bytes);
}

}  // namespace tidewell::subscribers
