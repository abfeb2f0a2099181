#include "engine/plain_text_of_html.h"

#include <libxml/HTMLparser.h>

#include <memory>

namespace tidewell::engine {

namespace {

struct DocumentFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

bool named(const xmlNode* node, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (xmlStrcasecmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0) return true;
  }
  return false;
}

std::string attribute(const xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  std::string text = value ? reinterpret_cast<const char*>(value) : "";
  xmlFree(value);
  return text;
}

// Collects text with runs of white space made one blank and explicit line breaks kept.
class TextWriter {
 public:
  void words(std::string_view text) {
    for (char c : text) {
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        m_space = true;
        continue;
      }
      if (m_space && !m_out.empty() && m_out.back() != '\n') m_out += ' ';
      m_space = false;
      m_out += c;
    }
  }
  void lineBreak() {
    if (m_out.empty()) return;
    m_out += '\n';
    m_space = false;
  }
  // A blank line between blocks, never more than one.
  void paragraph() {
    if (m_out.empty()) return;
    while (m_out.size() >= 2 && m_out.back() == '\n' && m_out[m_out.size() - 2] == '\n') return;
    m_out += m_out.back() == '\n' ? "\n" : "\n\n";
    m_space = false;
  }
  std::size_t size() const { return m_out.size(); }
  std::string_view since(std::size_t at) const { return std::string_view(m_out).substr(at); }
  std::string text() const {
    std::size_t end = m_out.find_last_not_of(" \n");
    return end == std::string::npos ? std::string() : m_out.substr(0, end + 1) + "\n";
  }

 private:
  std::string m_out;
  bool m_space = false;
};

void writeNode(const xmlNode* node, TextWriter& out);

void writeChildren(const xmlNode* node, TextWriter& out) {
  for (const xmlNode* child = node->children; child; child = child->next) writeNode(child, out);
}

void writeElement(const xmlNode* node, TextWriter& out) {
  if (named(node, {"script", "style", "head", "title", "noscript"})) return;
  if (named(node, {"br"})) return out.lineBreak();
  if (named(node, {"img"})) return out.words(attribute(node, "alt"));
  bool block = named(node, {"p",       "div",     "h1",     "h2",     "h3", "h4",         "h5",
                            "h6",      "ul",      "ol",     "table",  "tr", "blockquote", "pre",
                            "section", "article", "header", "footer", "hr", "address"});
  if (block) out.paragraph();
  if (named(node, {"li"})) {
    out.lineBreak();
    out.words("- ");
  }
  if (named(node, {"hr"})) out.words("----");
  std::size_t start = out.size();
  writeChildren(node, out);
  if (named(node, {"a"})) {
    std::string href = attribute(node, "href");
    if (!href.empty() && href[0] != '#' && out.since(start).find(href) == std::string_view::npos) {
      out.words(" <" + href + ">");
    }
  }
  if (named(node, {"td", "th"})) out.words(" ");
  if (block) out.paragraph();
}

void writeNode(const xmlNode* node, TextWriter& out) {
  if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
    out.words(reinterpret_cast<const char*>(node->content));
  } else if (node->type == XML_ELEMENT_NODE) {
    writeElement(node, out);
  }
}

}  // namespace

std::string plainTextOfHtml(std::string_view html) {
  std::unique_ptr<xmlDoc, DocumentFree> doc(
      htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                     HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                         HTML_PARSE_NONET | HTML_PARSE_NOBLANKS));
  if (!doc) return {};
  TextWriter out;
  for (const xmlNode* node = doc->children; node; node = node->next) writeNode(node, out);
  return out.text();
}

}  // namespace tidewell::engine
