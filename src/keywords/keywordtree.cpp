// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywordtree.h"

#include "format/text.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>

namespace tagmere {

long KeywordTree::findKey(const std::string& key) const {
    if (!m_keysValid) {
        m_keys.clear();
        for (long n = 1; n <= count(); ++n) {
            if (node(n).isKeyword())
                m_keys.emplace(node(n).Text, n);
        }
        m_keysValid = true;
    }
    const auto it = m_keys.find(key);
    return it == m_keys.end() ? 0 : it->second;
}

std::vector<long> KeywordTree::children(long n) const {
    // A node's children follow it directly in node order.
    std::vector<long> result;
    if (n < 1)
        return result;
    for (long c = n + 1; c <= count() && node(c).Parent == n; ++c)
        result.push_back(c);
    return result;
}

std::vector<long> KeywordTree::rootOrder() const {
    std::vector<long> roots;
    for (long n = 1; n <= count(); ++n) {
        if (node(n).isKeyword())
            roots.push_back(n);
    }
    std::stable_sort(roots.begin(), roots.end(),
                     [this](long a, long b) { return titleLess(node(a).Text, node(b).Text); });
    return roots;
}

void KeywordTree::clear() {
    m_nodes.clear();
    m_keys.clear();
    m_keysValid = true;
}

long KeywordTree::insertAt(long index, TreeNode node) {
    if (index <= count()) {
        // Nodes from `index` on move up by one, and so do references to them.
        for (TreeNode& n : m_nodes) {
            if (n.Parent >= index)
                ++n.Parent;
        }
        m_keysValid = false;
    } else if (node.isKeyword() && m_keysValid) {
        m_keys.emplace(node.Text, index);
    }
    m_nodes.insert(m_nodes.begin() + (index - 1), std::move(node));
    return index;
}

long KeywordTree::addKeyword(const std::string& text) {
    TreeNode n;
    n.Text = text;
    return insertAt(count() + 1, std::move(n));
}

long KeywordTree::addValue(long parent, const std::string& text) {
    TreeNode n;
    n.Text = text;
    n.Parent = parent;
    long index = count() + 1;
    // Appending is right when the last node is the keyword or one of its values.
    if (count() > 0 && count() != parent && node(count()).Parent != parent) {
        index = parent + 1;
        while (index <= count() && node(index).Parent == parent)
            ++index;
    }
    return insertAt(index, std::move(n));
}

void KeywordTree::remove(long n) {
    // Children first, from the last, so the indexes still to visit stay valid.
    const std::vector<long> kids = children(n);
    for (auto it = kids.rbegin(); it != kids.rend(); ++it)
        remove(*it);
    m_nodes.erase(m_nodes.begin() + (n - 1));
    for (TreeNode& node : m_nodes) {
        if (node.Parent > n)
            --node.Parent;
    }
    m_keysValid = false;
}

void KeywordTree::select(long n) {
    for (TreeNode& node : m_nodes)
        node.Selected = false;
    if (n != 0)
        at(n).Selected = true;
}

void KeywordTree::paint(long n, bool bold, std::optional<Color> color) {
    TreeNode& node = at(n);
    node.Bold = bold;
    node.ForeColor = color;
}

void KeywordTree::tick(long n, Color color) {
    at(n).Checked = true;
    paint(n, true, color);
}

void KeywordTree::untick(long n, Color color) {
    at(n).Checked = false;
    paint(n, false, color);
}

namespace {

Color remembered(const SelectColors& colors, bool fileKeywordsShown) {
    return fileKeywordsShown ? colors.fileSelect : colors.defaultSelect;
}

void expandAll(KeywordTree& tree) {
    for (long n = tree.count(); n >= 1; --n)
        tree.setExpanded(n, true);
}

} // namespace

void KeywordTrees::msbDisplayKeywords(const KeywordList& list, const SelectColors& colors, bool fileKeywordsShown) {
    for (KeywordTree& t : m_trees)
        t.clear();

    // Entries are grouped per keyword first, so a repeated keyword's later values join its
    // first node by appending, not by inserting into the middle of a tree.
    struct Group {
        std::string keyword;
        std::vector<long> entries;
    };
    std::array<std::vector<Group>, kTreeCount> groups;
    std::array<std::unordered_map<std::string, size_t>, kTreeCount> groupOf;
    size_t currentColumn = 0;
    size_t current = SIZE_MAX; // no keyword before the first one
    const long entries = std::min<long>(list.mlngListEntryCount, static_cast<long>(list.mstrListEntry.size()) - 1);
    for (long i = 1; i <= entries; ++i) {
        const size_t e = static_cast<size_t>(i);
        const std::string& entry = list.mstrListEntry[e];
        if (startsWith(entry, "[")) {
            const int column = keywordColumn(e < list.mstrListColumn.size() ? list.mstrListColumn[e] : std::string());
            auto& columnGroups = groups[static_cast<size_t>(column)];
            const auto found = groupOf[static_cast<size_t>(column)].emplace(entry, columnGroups.size());
            if (found.second)
                columnGroups.push_back(Group{entry, {}});
            currentColumn = static_cast<size_t>(column);
            current = found.first->second;
            continue;
        }
        if (entry != kRemovedEntry && current != SIZE_MAX)
            groups[currentColumn][current].entries.push_back(i);
    }

    for (size_t c = 0; c < m_trees.size(); ++c) {
        KeywordTree& t = m_trees[c];
        for (const Group& group : groups[c]) {
            const long keyword = t.addKeyword(group.keyword);
            t.untick(keyword, colors.normal);
            for (long i : group.entries) {
                const std::string& entry = list.mstrListEntry[static_cast<size_t>(i)];
                const bool spacer = entry.empty();
                const long n = t.addValue(keyword, spacer ? std::string(kSpacerText) : entry);
                t.setTag(n, std::to_string(i));
                if (spacer)
                    t.setBackColor(n, kSpacerBackColor);
            }
        }
    }

    for (KeywordTree& t : m_trees)
        expandAll(t);

    // Every node whose text was remembered is ticked, in every column: a remembered text
    // belongs to no particular keyword.
    const Color color = remembered(colors, fileKeywordsShown);
    const long selected =
        std::min<long>(list.mlngSelectedValueCount, static_cast<long>(list.mstrSelectedValue.size()) - 1);
    std::unordered_set<std::string> texts;
    for (long k = 1; k <= selected; ++k)
        texts.insert(list.mstrSelectedValue[static_cast<size_t>(k)]);
    if (texts.empty())
        return;
    for (KeywordTree& t : m_trees) {
        for (long n = t.count(); n >= 1; --n) {
            if (texts.count(t.node(n).Text) != 0)
                t.tick(n, color);
        }
    }
}

bool KeywordTrees::msbShowSelectedOnly(KeywordList& list, const SelectColors& colors, bool fileKeywordsShown) {
    list.setSelectedValues(tickedTexts());
    const Color color = remembered(colors, fileKeywordsShown);

    for (KeywordTree& t : m_trees) {
        const KeywordTree old = t;
        t.clear();
        for (long n = 1; n <= old.count(); ++n) {
            const TreeNode& source = old.node(n);
            if (!source.Checked)
                continue;
            long added = 0;
            if (source.isKeyword()) {
                added = t.findKey(source.Text);
                if (added == 0)
                    added = t.addKeyword(source.Text);
            } else {
                const std::string& keywordText = old.node(source.Parent).Text;
                long keyword = t.findKey(keywordText);
                if (keyword == 0) {
                    // Its keyword is not ticked: hold the value under it all the same.
                    keyword = t.addKeyword(keywordText);
                    t.untick(keyword, colors.normal);
                }
                added = t.addValue(keyword, source.Text);
                t.setBackColor(added, source.BackColor);
            }
            t.tick(added, color);
        }
        expandAll(t);
    }
    return list.mlngSelectedValueCount == 0;
}

void KeywordTrees::nodeCheck(int column, long n, bool checked, const SelectColors& colors) {
    KeywordTree& t = tree(column);
    const long parent = t.node(n).Parent;
    if (checked) {
        if (parent != 0)
            t.tick(parent, colors.defaultSelect);
        t.tick(n, colors.defaultSelect);
    } else {
        t.untick(n, colors.normal);
    }
    t.select(n);
}

int KeywordTrees::deleteSelected(int column, KeywordList& list) {
    KeywordTree& t = tree(column);
    int removed = 0;
    for (long n = t.count(); n >= 1; --n) {
        const TreeNode& node = t.node(n);
        if (!node.Selected || node.isKeyword())
            continue;
        if (!node.Tag.empty() && node.Tag.find_first_not_of("0123456789") == std::string::npos &&
            node.Tag.size() < 12) {
            const long entry = std::stol(node.Tag);
            if (entry >= 1 && entry <= list.mlngListEntryCount && entry < static_cast<long>(list.mstrListEntry.size()))
                list.mstrListEntry[static_cast<size_t>(entry)] = kRemovedEntry;
        }
        t.remove(n);
        ++removed;
    }
    return removed;
}

void KeywordTrees::checkAll(const SelectColors& colors) {
    for (KeywordTree& t : m_trees) {
        for (long n = 1; n <= t.count(); ++n)
            t.tick(n, colors.defaultSelect);
    }
}

void KeywordTrees::uncheckAll(const SelectColors& colors) {
    for (KeywordTree& t : m_trees) {
        for (long n = 1; n <= t.count(); ++n)
            t.untick(n, colors.normal);
    }
}

std::vector<std::string> KeywordTrees::tickedTexts() const {
    std::vector<std::string> texts;
    for (const KeywordTree& t : m_trees) {
        for (long n = 1; n <= t.count(); ++n) {
            if (t.node(n).Checked)
                texts.push_back(t.node(n).Text);
        }
    }
    return texts;
}

BatchTrees KeywordTrees::batchTrees() const {
    BatchTrees trees;
    for (size_t t = 0; t < m_trees.size(); ++t) {
        for (long n = 1; n <= m_trees[t].count(); ++n)
            trees[t].push_back({m_trees[t].node(n).Text, m_trees[t].node(n).Checked});
    }
    return trees;
}

std::array<std::vector<std::string>, kTreeCount> KeywordTrees::nodeTexts() const {
    std::array<std::vector<std::string>, kTreeCount> texts;
    for (size_t t = 0; t < m_trees.size(); ++t) {
        for (long n = 1; n <= m_trees[t].count(); ++n)
            texts[t].push_back(m_trees[t].node(n).Text);
    }
    return texts;
}

} // namespace tagmere
