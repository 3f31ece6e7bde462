// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "keywordlist.h"

#include "core/batch.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// The three keyword trees as a model without a window: the window shows a view of it and
// forwards its events here; the batch run, the read-back of a file's keywords and the
// list writer read it in node order.
namespace tagmere {

// A colour as the settings store it: red + 256 * green + 65536 * blue (0x00BBGGRR).
using Color = std::uint32_t;

// The main window's three colours: unticked items, items ticked by the user or a list,
// items ticked from a photometric file.
struct SelectColors {
    Color normal = 0;
    Color defaultSelect = 255;
    Color fileSelect = 0;
};

inline constexpr Color kSpacerBackColor = 0xF0F0F0; // RGB(240, 240, 240)
inline constexpr const char* kSpacerText = "                    ";
inline constexpr int kTreeCount = 3;

struct TreeNode {
    // A keyword node's text is unique within its tree and finds it (findKey).
    std::string Text;
    // 1-based index of the parent node in the same tree; 0 for a keyword node.
    long Parent = 0;
    bool Checked = false;
    bool Bold = false;
    // nullopt: never coloured, the view shows its default text colour.
    std::optional<Color> ForeColor;
    // Spacer nodes only.
    std::optional<Color> BackColor;
    // Value nodes built from the list: their entry's index in mstrListEntry in decimal.
    // Empty on nodes built by the "Show Selected Only" filter.
    std::string Tag;
    bool Expanded = false;
    // The tree's highlighted node; at most one per tree.
    bool Selected = false;

    bool isKeyword() const { return Parent == 0; }
};

// One tree: nodes in node order (the order they were added), numbered 1..count().
// Every keyword node is a root node and is followed in node order by its value nodes, so
// "the nearest keyword node before a value node" is its parent.
class KeywordTree {
public:
    long count() const { return static_cast<long>(m_nodes.size()); }
    // n in 1..count().
    const TreeNode& node(long n) const { return m_nodes.at(static_cast<size_t>(n - 1)); }

    // The keyword node whose text is `key`, or 0.
    long findKey(const std::string& key) const;
    // Child indexes of node n in node order.
    std::vector<long> children(long n) const;
    // Root node indexes sorted for display: by titleLess (ASCII letters without case,
    // byte order otherwise, so the order does not depend on the user's locale), ties in
    // node order. Since keyword texts start with "[", "[_..." user keywords come after
    // the standard keywords.
    std::vector<long> rootOrder() const;

    // Building and changing nodes. Adding a keyword node appends it; adding a value node
    // places it right after the last child of its keyword node (which is the end of the
    // tree unless a keyword is repeated), so values always follow their keyword.
    long addKeyword(const std::string& text);
    long addValue(long parent, const std::string& text);
    void clear();
    // Removes node n with its children; later nodes move up by one index each.
    void remove(long n);
    // Makes n the selected node (0 selects none).
    void select(long n);
    void setExpanded(long n, bool expanded) { at(n).Expanded = expanded; }
    void setChecked(long n, bool checked) { at(n).Checked = checked; }
    void setTag(long n, std::string tag) { at(n).Tag = std::move(tag); }
    void setBackColor(long n, std::optional<Color> color) { at(n).BackColor = color; }
    void paint(long n, bool bold, std::optional<Color> color);
    // Checked, Bold and the colour: a ticked node as every tick shows it.
    void tick(long n, Color color);
    // Unchecked, not bold, the colour.
    void untick(long n, Color color);

private:
    TreeNode& at(long n) { return m_nodes.at(static_cast<size_t>(n - 1)); }
    long insertAt(long index, TreeNode node);

    std::vector<TreeNode> m_nodes;
    // Keyword text -> node index, rebuilt after a change that moves keyword nodes.
    mutable std::unordered_map<std::string, long> m_keys;
    mutable bool m_keysValid = true;
};

// The three keyword trees and their operations.
//
// Malformed lists still give sound trees:
//  - a column item that is not 0, 1 or 2 shows the keyword in column 0 (keywordColumn);
//  - a keyword that occurs twice in the same column gets one node: the values after its
//    second occurrence join the first node's values (after them), so a save writes the
//    keyword once with all its values;
//  - value and spacer entries before the first keyword entry have no keyword to belong
//    to: they are not shown (and so a save does not write them).
class KeywordTrees {
public:
    KeywordTree& tree(int column) { return m_trees.at(static_cast<size_t>(column)); }
    const KeywordTree& tree(int column) const { return m_trees.at(static_cast<size_t>(column)); }

    // Rebuilds the trees from the loaded list, every node expanded and unticked, then
    // ticks each node whose text the list remembers as selected (in the file colour while
    // a file's keywords are shown). A value node's Tag is its entry's index, so a delete
    // can mark the entry; an empty entry shows as a grey spacer, a deleted ("REMOVE") one
    // not at all.
    void msbDisplayKeywords(const KeywordList& list, const SelectColors& colors, bool fileKeywordsShown);

    // "Show Selected Only": the remembered selected texts become the texts of the ticked
    // nodes (column by column, node order), and each tree is rebuilt from its ticked nodes
    // only, each ticked in colour fileSelect when fileKeywordsShown, otherwise
    // defaultSelect, with no Tag. A ticked value whose keyword node is not ticked stays
    // under its own keyword: the keyword node is rebuilt unticked (not bold, colour
    // normal) to hold it, and is not remembered, so applying or saving the filtered
    // selection means what it meant before. Returns true when nothing was ticked: the
    // window then shows "No Selected Values Found".
    bool msbShowSelectedOnly(KeywordList& list, const SelectColors& colors, bool fileKeywordsShown);

    // The user clicked node n's check box in tree `column`; `checked` is its new state.
    // A ticked value ticks its keyword too, since a run writes values only under a ticked
    // keyword; unticking leaves the other level alone, so a keyword whose values are all
    // unticked stays ticked and is removed from the files. Ticks show bold in the default
    // colour. The node becomes the tree's selected node.
    void nodeCheck(int column, long n, bool checked, const SelectColors& colors);

    // The Delete key in tree `column`: the selected node, when it is a value node, is
    // removed; its entry (Tag) in the list becomes "REMOVE". A node without a Tag (built
    // by the filter) is only removed from the tree. Keyword nodes are never deleted. The
    // remembered selected texts do not change. Returns the number of nodes removed.
    int deleteSelected(int column, KeywordList& list);

    // "Check All" / "Uncheck All": every node of every column, spacers included.
    void checkAll(const SelectColors& colors);
    void uncheckAll(const SelectColors& colors);

    // Ticks node n of tree `column` as a read-back mark: Checked, Bold, `color`.
    void mark(int column, long n, Color color) { tree(column).tick(n, color); }
    // Makes node n the selected node of tree `column` (the user clicked it).
    void select(int column, long n) { tree(column).select(n); }

    // The texts of every ticked node, column 0 to 2, node order: what a save and the
    // filter remember.
    std::vector<std::string> tickedTexts() const;
    // The same as the batch run reads it.
    BatchTrees batchTrees() const;
    // Per tree, the Text of every node in node order, as the read-back takes them.
    std::array<std::vector<std::string>, kTreeCount> nodeTexts() const;

private:
    std::array<KeywordTree, kTreeCount> m_trees;
};

} // namespace tagmere
