#include "editor/newsletter_move.h"

#include <array>

#include "editor/newsletter_editor.h"
#include "store/error.h"
#include "store/text.h"

namespace tidewell::editor {

namespace {

// The keys a moved block carries, in the order a newsletter block holds them.
constexpr std::array<std::string_view, 11> kMovedKeys = {
    "title",  "parent", "subject",   "location", "attach",    "days",
    "verify", "rule",   "timessent", "date",     "dateordays"};

std::string valueOrEmpty(const store::ProfileDocument& d, int index, std::string_view key) {
  std::string value = d.get(index, key);
  return value == store::kAbsent ? std::string() : value;
}

std::optional<int> findNewsletter(const store::ProfileDocument& d, const std::string& title) {
  for (int index : d.indexesInTreeOrder()) {
    if (store::equalsIgnoreCase(d.get(index, "name"), store::kNewsletterOpening) &&
        d.get(index, "title") == title) {
      return index;
    }
  }
  return std::nullopt;
}

}  // namespace

FollowChoices LoadRules(const std::vector<store::FilterRecord>& filters,
                        std::string_view ruleTitle) {
  FollowChoices choices;
  choices.entries.emplace_back(kNoRuleAssigned);
  for (const store::FilterRecord& f : filters) {
    choices.entries.push_back(f.title);
    choices.filterIndexes.push_back(f.indexNumber);
    if (choices.selected == 0 && store::equalsIgnoreCase(f.title, ruleTitle)) {
      choices.selected = static_cast<int>(choices.entries.size()) - 1;
    }
  }
  choices.ruleUnknown = choices.selected == 0;
  return choices;
}

std::optional<int> move_newsletter(store::ProfileStore& profile, int newsletterIndex, int entry,
                                   const std::vector<int>& filterIndexes) {
  std::optional<int> moved;
  profile.change(store::windowProcedure("move_newsletter"), [&](store::ProfileDocument& d) {
    int target = store::kFiltersBlock;
    if (entry > 0) {
      if (entry > static_cast<int>(filterIndexes.size())) {
        store::raise(store::kBadArgument, "No filter for entry " + std::to_string(entry));
      }
      target = filterIndexes[static_cast<std::size_t>(entry - 1)];
    }
    std::string parent =
        entry > 0 ? d.get(target, "title") : d.get(store::kNewslettersBlock, "title");
    std::string rule = entry > 0 ? parent : std::string(kNoRuleAssigned);

    std::vector<std::string> block{"", std::string(store::kNewsletterOpening),
                                   "index: " + std::to_string(target),
                                   "name: " + std::string(store::kNewsletterOpening)};
    std::string title = valueOrEmpty(d, newsletterIndex, "title");
    for (std::string_view key : kMovedKeys) {
      std::string value = key == "parent" ? parent
                          : key == "rule" ? rule
                                          : valueOrEmpty(d, newsletterIndex, key);
      block.push_back(std::string(key) + ": " + value);
    }
    block.emplace_back("newsletter_properties_end");

    d.deleteNode(newsletterIndex);
    auto extent = d.findBlock(target);
    if (!extent) store::raise(store::kBadArgument, "No block " + std::to_string(target));
    d.insertLines(extent->closingLine + 1, block);
    d.renumber();
    moved = findNewsletter(d, title);
  });
  return moved;
}

}  // namespace tidewell::editor
