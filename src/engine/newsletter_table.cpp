#include "engine/newsletter_table.h"

#include <filesystem>

#include "engine/plain_text_of_html.h"
#include "store/text.h"
#include "store/text_file.h"
#include "store/utilities.h"

namespace tidewell::engine {

namespace {

constexpr store::Procedure kProcedure = store::numberedProcedure("f_load_newsletters");

// An absent key reads as "!"; for texts the pass uses, that is no text.
std::string valueOf(const store::ProfileDocument& profile, int index, std::string_view key) {
  std::string value = profile.getExactKey(index, key);
  return value == store::kAbsent ? std::string() : value;
}

NewsletterRecord readNewsletter(const store::ProfileDocument& profile, int index) {
  NewsletterRecord n;
  n.title = valueOf(profile, index, "title");
  n.subject = valueOf(profile, index, "subject");
  n.location = valueOf(profile, index, "location");
  n.days = profile.getExactKey(index, "days");
  n.date = profile.getExactKey(index, "date");
  n.dateordays = profile.getExactKey(index, "dateordays");
  n.rule = profile.getExactKey(index, "rule");
  n.timesSent = std::atoi(profile.getExactKey(index, "timessent").c_str());
  n.blockIndex = index;
  std::string attach = valueOf(profile, index, "attach");
  // A value ending in "," leaves an empty last path; the client skips it.
  if (!attach.empty()) n.attachments = store::split(attach, ",");
  return n;
}

std::string textAlternativeOf(const NewsletterRecord& n) {
  if (!n.location.empty()) {
    std::filesystem::path sibling = std::filesystem::path(n.location).replace_extension(".txt");
    if (store::FileExist(sibling)) return store::readTextFile(sibling);
  }
  return plainTextOfHtml(n.body);
}

}  // namespace

NewsletterTable f_load_newsletters(const store::ProfileDocument& profile,
                                   const std::vector<store::FilterRecord>& filters,
                                   store::ErrorTrap& trap) {
  NewsletterTable table;
  for (int index : profile.indexesInTreeOrder()) {
    if (!store::equalsIgnoreCase(profile.get(index, "name"), store::kNewsletterOpening)) continue;
    std::string rule = profile.getExactKey(index, "rule");
    if (rule.empty()) continue;
    NewsletterRecord n = readNewsletter(profile, index);
    if (!n.location.empty()) {
      if (!store::FileExist(n.location)) {
        // Said in the status bar and the error log: a box would hold up an unattended cycle.
        table.problem = n.location + " Does Not Exist in " + n.title;
        trap.report(kProcedure, {store::kFileNotFound, table.problem});
        trap.ui().showStatus(table.problem);
        table.stop = true;
        return table;
      }
      n.body = store::readTextFile(n.location);
    }
    if (isHtmlMessage(n)) n.text = textAlternativeOf(n);
    for (const auto& filter : filters) {
      if (store::equalsIgnoreCase(filter.title, n.rule)) {
        n.toname = filter.toname == store::kAbsent ? std::string() : filter.toname;
        table.stop = false;
        break;
      }
    }
    table.newsletters.push_back(std::move(n));
  }
  return table;
}

bool isHtmlMessage(const NewsletterRecord& newsletter) {
  std::string extension =
      store::toUpperAscii(std::filesystem::path(newsletter.location).extension().string());
  if (extension == ".HTM" || extension == ".HTML") return true;
  std::string_view body = newsletter.body;
  std::size_t first = body.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return false;
  std::string start = store::toUpperAscii(body.substr(first, 9));
  return start.rfind("<HTML", 0) == 0 || start.rfind("<!DOCTYPE", 0) == 0;
}

}  // namespace tidewell::engine
