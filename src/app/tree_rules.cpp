#include "tree_rules.h"

#include <map>

#include "store/text.h"

namespace tidewell::app {

namespace {

struct KindName {
  std::string_view blockName;
  NodeKind kind;
  std::string_view word;
};

constexpr KindName kKinds[] = {
    {"user_properties_start", NodeKind::kUser, "user"},
    {"campaign_properties_start", NodeKind::kSystem, "system"},
    {"outbound_properties_start", NodeKind::kOutbound, "outbound"},
    {"inbound_properties_start", NodeKind::kInbound, "inbound"},
    {store::kNewsletterOpening, NodeKind::kNewsletter, "newsletter"},
    {store::kFilterOpening, NodeKind::kFilter, "filter"},
};

// The fixed blocks take their place by index; past them a filter block hangs as a filter and
// any other block as a newsletter, whatever its name says.
NodeKind treeKindOf(int index, std::string_view name) {
  switch (index) {
    case store::kUserBlock:
      return NodeKind::kUser;
    case store::kServerBlock:
      return NodeKind::kSystem;
    case store::kNewslettersBlock:
      return NodeKind::kOutbound;
    case store::kFiltersBlock:
      return NodeKind::kInbound;
    default:
      return store::equalsIgnoreCase(name, store::kFilterOpening) ? NodeKind::kFilter
                                                                  : NodeKind::kNewsletter;
  }
}

}  // namespace

std::optional<NodeKind> kindOfBlockName(std::string_view name) {
  for (const KindName& k : kKinds) {
    if (store::equalsIgnoreCase(name, k.blockName)) return k.kind;
  }
  return std::nullopt;
}

std::string_view kindWord(NodeKind kind) {
  return kKinds[static_cast<int>(kind)].word;
}

int imageNumber(NodeKind kind) {
  return static_cast<int>(kind) + 1;
}

TreePlan planTree(const store::ProfileDocument& profile) {
  TreePlan plan;
  std::map<std::string, int> positionByTitle;
  for (int index : profile.indexesInTreeOrder()) {
    NodeKind kind = treeKindOf(index, profile.get(index, "name"));
    TreeNode node{index, kind, profile.get(index, "title"), -1};
    if (index == store::kServerBlock && !plan.nodes.empty()) {
      node.parentPosition = 0;  // the server settings always hang under the root
    } else if (index != store::kUserBlock) {
      auto parent = positionByTitle.find(profile.get(index, "parent"));
      if (parent == positionByTitle.end()) {
        plan.error = store::Error{store::kNoSuchBlock, "Element not found: the parent of \"" +
                                                           node.title + "\" is not in the tree"};
        break;
      }
      node.parentPosition = parent->second;
    }
    // A second block of the same title would take the first one's children; titles are unique.
    if (!positionByTitle.emplace(node.title, static_cast<int>(plan.nodes.size())).second) {
      plan.error =
          store::Error{store::kBadFormat, "Key is not unique in collection: " + node.title};
      break;
    }
    plan.nodes.push_back(std::move(node));
  }
  return plan;
}

TreeMenu treeMenuFor(int currentIndex) {
  if (currentIndex == store::kNewslettersBlock) return TreeMenu::kNewNewsletter;
  if (currentIndex == store::kFiltersBlock) return TreeMenu::kNewFilter;
  if (currentIndex > store::kFiltersBlock) return TreeMenu::kDelete;
  return TreeMenu::kNone;
}

int indexAfterDelete(int deletedIndex, int nodeCount) {
  return deletedIndex <= nodeCount ? deletedIndex : deletedIndex - 1;
}

}  // namespace tidewell::app
