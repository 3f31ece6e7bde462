// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzzcheck.h"
#include "keywords/keywordlist.h"
#include "keywords/keywordtree.h"
#include "keywords/savelist.h"

#include <cstdint>
#include <string>

using namespace tagmere;

// Reads any bytes as a keyword list, shows it as trees, filters it and writes it: the
// arrays stay 1-based and consistent, every value node sits under a keyword node, and a
// written list reads back to the same trees.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    KeywordList list;
    parseKeywordList(bytes, list);
    FUZZ_CHECK(list.mstrListEntry.size() == static_cast<size_t>(list.mlngListEntryCount) + 1);
    FUZZ_CHECK(list.mstrListColumn.size() == list.mstrListEntry.size());
    FUZZ_CHECK(list.mstrSelectedValue.size() == static_cast<size_t>(list.mlngSelectedValueCount) + 1);

    KeywordTrees trees;
    const SelectColors colors;
    trees.msbDisplayKeywords(list, colors, false);
    for (int t = 0; t < kTreeCount; ++t) {
        const KeywordTree& tree = trees.tree(t);
        for (long n = 1; n <= tree.count(); ++n) {
            const TreeNode& node = tree.node(n);
            FUZZ_CHECK(node.Checked == node.Bold);
            if (node.Parent != 0)
                FUZZ_CHECK(node.Parent < n && tree.node(node.Parent).isKeyword());
        }
        // The window shows each root with its children: every node exactly once.
        size_t shown = 0;
        for (long root : tree.rootOrder())
            shown += 1 + tree.children(root).size();
        FUZZ_CHECK(shown == static_cast<size_t>(tree.count()));
    }

    // Written and read again, the trees come back with the same texts.
    const std::string written = formatKeywordList(trees);
    KeywordList again;
    parseKeywordList(written, again);
    KeywordTrees rebuilt;
    rebuilt.msbDisplayKeywords(again, colors, false);
    const auto before = trees.batchTrees();
    const auto after = rebuilt.batchTrees();
    // Texts the unquoted format cannot carry (commas, quotes, a leading "<", blanks at
    // the ends of a value that only a quoted item could give) are the documented losses.
    bool writable = true;
    for (const auto& tree : before) {
        for (const auto& [text, checked] : tree) {
            const bool spacer = text == kSpacerText;
            writable = writable && text.find_first_of(",\"\r\n") == std::string::npos && text.find('<') != 0 &&
                       (spacer || text.empty() || (text.front() != ' ' && text.back() != ' '));
        }
    }
    if (writable) {
        for (int t = 0; t < kTreeCount; ++t) {
            FUZZ_CHECK(before[t].size() == after[t].size());
            for (size_t i = 0; i < before[t].size(); ++i)
                FUZZ_CHECK(before[t][i].text == after[t][i].text);
        }
    }

    trees.msbShowSelectedOnly(list, colors, false);
    for (int t = 0; t < kTreeCount; ++t) {
        const KeywordTree& tree = trees.tree(t);
        for (long n = 1; n <= tree.count(); ++n)
            FUZZ_CHECK(tree.node(n).Parent == 0 || tree.node(tree.node(n).Parent).isKeyword());
    }
    return 0;
}
