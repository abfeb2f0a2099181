#pragma once
// The newsletters of the profile as one sending pass uses them, rebuilt from the profile at the
// start of every pass: message text, subject, attachments, schedule and assigned filter, plus
// whom each went to during the pass. Owned by the pass; one thread.
#include <string>
#include <unordered_set>
#include <vector>

#include "store/error_trap.h"
#include "store/filter_record.h"
#include "store/profile_document.h"

namespace tidewell::engine {

struct NewsletterRecord {
  std::string title;
  std::string subject;
  std::string body;  // the whole message file; empty when location is empty
  std::string location;
  // An HTML body's text alternative: the message file's sibling with the same name and ".txt"
  // when there is one, else text made from the HTML; empty for a plain-text body.
  std::string text;
  std::vector<std::string> attachments;
  std::string days;
  std::string date;
  std::string dateordays;
  std::string rule;    // the title of the filter it is assigned to
  std::string toname;  // that filter's name template
  int timesSent = 0;
  int blockIndex = 0;
  std::unordered_set<std::string> runRecipients;  // addresses it went to in this pass
};

struct NewsletterTable {
  std::vector<NewsletterRecord> newsletters;
  // True when the pass must not run: a message file is missing, or no newsletter is assigned
  // to an existing filter.
  bool stop = true;
  std::string problem;  // the missing message file, when one stopped the pass
};

// f_load_newsletters: every newsletter block with a filter assigned, in index order. A missing
// message file (location + " Does Not Exist in " + title) goes to the status bar and the error
// log and stops the pass.
NewsletterTable f_load_newsletters(const store::ProfileDocument& profile,
                                   const std::vector<store::FilterRecord>& filters,
                                   store::ErrorTrap& trap);

// The body goes out as HTML when the message file is an .htm or .html file or the text starts
// with an <html or <!doctype tag; otherwise as plain text.
bool isHtmlMessage(const NewsletterRecord& newsletter);

}  // namespace tidewell::engine
