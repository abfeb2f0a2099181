#include "engine/unclaimed_messages.h"

#include "engine/log_appender.h"

namespace tidewell::engine {

namespace {

constexpr std::size_t kSubjectsListed = 10;
constexpr std::size_t kSubjectBytes = 80;

// One line of the log whatever the subject holds, and never a UTF-8 character cut in two.
std::string shownSubject(std::string_view subject) {
  const bool tooLong = subject.size() > kSubjectBytes;
  if (tooLong) {
    std::size_t cut = kSubjectBytes;
    while (cut > 0 && (static_cast<unsigned char>(subject[cut]) & 0xC0) == 0x80) --cut;
    subject = subject.substr(0, cut);
  }
  std::string shown;
  for (char c : subject) {
    auto byte = static_cast<unsigned char>(c);
    shown += byte < 0x20 || byte == 0x7F ? ' ' : c;
  }
  return tooLong ? shown + "..." : shown;
}

}  // namespace

void UnclaimedMessages::add(std::string_view subject) {
  ++m_count;
  if (m_subjects.size() < kSubjectsListed) m_subjects.push_back(shownSubject(subject));
}

std::string UnclaimedMessages::logLine(const store::Clock& clock) const {
  std::string subjects;
  for (const std::string& s : m_subjects) {
    if (!subjects.empty()) subjects += ", ";
    subjects += "\"" + s + "\"";
  }
  if (m_count > m_subjects.size()) {
    subjects += " and " + std::to_string(m_count - m_subjects.size()) + " more";
  }
  return mailLogLine("messages not read:", std::to_string(m_count), subjects, clock);
}

}  // namespace tidewell::engine
