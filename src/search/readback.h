#pragma once

#include "core/linebuffer.h"
#include "core/misc.h"

#include <array>
#include <set>
#include <string>
#include <vector>

namespace tagmere {

// The node texts of the three keyword trees, each in node order: node n (1-based, as
// the trees number their nodes) of tree t is trees[t][n - 1].
using TreeNodeTexts = std::array<std::vector<std::string>, 3>;

// One node of one tree: tree 0..2, node 1..count.
struct NodeRef {
    int tree = 0;
    int node = 0;
    bool operator<(const NodeRef& o) const { return tree != o.tree ? tree < o.tree : node < o.node; }
    bool operator==(const NodeRef& o) const { return tree == o.tree && node == o.node; }
};

// What the file holds for one of the five panel keywords.
struct PanelValue {
    bool found = false;
    std::string value;
};

// What a file's lines say about the selection: the nodes to tick and the panel rows to
// fill. Applying it (ticks bold in the file colour) is the window's part.
struct KeywordReadBack {
    std::set<NodeRef> marks;
    PanelValue manufac;
    PanelValue spRatio;
    PanelValue cri;
    PanelValue colorTemp;
    PanelValue sourceType;

    bool isMarked(int tree, int node) const { return marks.count(NodeRef{tree, node}) > 0; }
};

// Reads a file's keywords back into the selection. Every line 1..N is scanned, data
// lines after "TILT=" included.
// - Panel keywords: a line containing the keyword text (exact case, anywhere) gives the
//   value from character (length of the keyword) + 1 of the line on, trimmed of blanks;
//   [_SEARCH_SOURCETYPE]'s value is upper-cased first (ASCII letters only; other bytes
//   are kept as they are). A later line replaces an earlier value.
// - Tree keywords: a line containing the text of a keyword node (one beginning with "[")
//   is a keyword line of that node. Without a comma its one piece is what follows the
//   line's first "]" and matching starts at the keyword node itself; with a comma the
//   pieces are the line from (length of the node's text) + 1 on, split at every ",", and
//   matching starts at the next node. Each piece ticks the first node from the start on
//   whose text equals it, both trimmed and upper-cased, and then the keyword node too.
//   The "[MORE]" lines that follow add their pieces (after the line's first "]") the same way.
KeywordReadBack readBackKeywords(const FileLines& gstrFileLine, const TreeNodeTexts& trees);

// Puts the read-back into the Miscellaneous panel: every row unticked and the four
// texts emptied first, then each found keyword ticked with its value. The source type
// list keeps its text when the value is not one of kSourceTypes; its row is ticked anyway.
void applyReadBack(const KeywordReadBack& readBack, MiscPanel& panel);

} // namespace tagmere
