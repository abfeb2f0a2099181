#pragma once
// How the profile tree follows the profile file: which blocks become nodes and under which
// parent, the kind each block's panel has, the context menu an index opens and the node shown
// after a deletion. Qt-free, so the desktop program's tree stays a thin view; one thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/error.h"
#include "store/profile_document.h"

namespace tidewell::app {

enum class NodeKind { kUser, kSystem, kOutbound, kInbound, kNewsletter, kFilter };

// The kind of a block by its name line; nullopt for a name no panel shows.
std::optional<NodeKind> kindOfBlockName(std::string_view name);
// "user", "system", "outbound", "inbound", "newsletter" or "filter": the panels' kind words.
std::string_view kindWord(NodeKind kind);
// The image number of the kind, from 1 (root 1, server settings 2, ... filter 6).
int imageNumber(NodeKind kind);

// One node as the tree lays it out.
struct TreeNode {
  int index = 0;
  NodeKind kind = NodeKind::kUser;
  std::string title;
  // Position in the plan of the node this one hangs under; -1 for the root.
  int parentPosition = -1;
};

// The nodes in block-index order up to the first missing index. A block whose parent title
// names no node added before it, or whose title another node has, ends the plan with an error;
// the nodes before it stay.
struct TreePlan {
  std::vector<TreeNode> nodes;
  std::optional<store::Error> error;
};
TreePlan planTree(const store::ProfileDocument& profile);

enum class TreeMenu { kNone, kNewNewsletter, kNewFilter, kDelete };
// Right-button release: the Newsletters and Filters containers offer a new child, newsletters
// and filters their deletion; the root and the server settings nothing.
TreeMenu treeMenuFor(int currentIndex);

// After a deletion the node at the deleted index is shown, or the one before it when the
// deleted node was the last.
int indexAfterDelete(int deletedIndex, int nodeCount);

}  // namespace tidewell::app
