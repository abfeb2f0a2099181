#pragma once
// A newsletter's attachment list: the "attach" value is every path followed by a comma, in the
// order added. Value type; the newsletter panel keeps one while its node is shown.
#include <string>
#include <vector>

namespace tidewell::editor {

class AttachmentList {
 public:
  explicit AttachmentList(std::string text = {}) : m_text(std::move(text)) {}

  const std::string& text() const { return m_text; }
  // One entry per path, for the list box.
  std::vector<std::string> entries() const;
  // Appends the path (cut at its first NUL, as a file dialog's answer may carry one).
  void add(const std::string& path);
  // Drops every copy of the path (exact comparison) and the empty pieces.
  void remove(const std::string& path);

 private:
  std::string m_text;
};

}  // namespace tidewell::editor
