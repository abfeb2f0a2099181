#include "editor/attachment_list.h"

#include "store/text.h"

namespace tidewell::editor {

std::vector<std::string> AttachmentList::entries() const {
  std::vector<std::string> list;
  for (std::string& piece : store::split(m_text, ",")) {
    if (!piece.empty()) list.push_back(std::move(piece));
  }
  return list;
}

void AttachmentList::add(const std::string& path) {
  m_text += path.substr(0, path.find('\0')) + ",";
}

void AttachmentList::remove(const std::string& path) {
  std::string rebuilt;
  for (const std::string& piece : store::split(m_text, ",")) {
    if (!piece.empty() && piece != path) rebuilt += piece + ",";
  }
  m_text = rebuilt;
}

}  // namespace tidewell::editor
