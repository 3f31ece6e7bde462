// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/misc.h"
#include "format/linebuffer.h"

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
};

// Reads a file's keywords back into the selection; every line is scanned, the data after
// "TILT=" too, since files from other programs put keywords anywhere.
// - Panel keywords: the value is the rest of the line after the keyword, wherever the
//   keyword stands in it, without blanks at its ends ([_SEARCH_SOURCETYPE] upper-cased);
//   a later line wins.
// - Tree keywords: a line holding a keyword node's text is split into values (what follows
//   the keyword split at commas, or, without a comma, the one value after the first "]"),
//   and so are the "[MORE]" lines below it. Each value ticks the first node whose text
//   equals it, ignoring blanks at the ends and ASCII case, and ticks the keyword node too. Without a comma the search
//   starts at the keyword node itself, with commas after it: old files rely on both.
KeywordReadBack readBackKeywords(const FileLines& gstrFileLine, const TreeNodeTexts& trees);

} // namespace tagmere
