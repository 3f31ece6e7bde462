// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/linebuffer.h"
#include "fuzzcheck.h"
#include "keywords/keywordlist.h"
#include "keywords/keywordtree.h"
#include "search/readback.h"

#include <cstdint>
#include <string>

using namespace tagmere;

// The input is a keyword list and a photometric file separated by a NUL byte. The
// read-back marks only nodes that exist and, with each value node, its line's keyword.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t split = bytes.find('\0');
    const std::string_view listBytes = split == std::string_view::npos ? std::string_view() : bytes.substr(0, split);
    const std::string_view fileBytes = split == std::string_view::npos ? bytes : bytes.substr(split + 1);

    KeywordList list;
    parseKeywordList(listBytes, list);
    KeywordTrees trees;
    trees.msbDisplayKeywords(list, SelectColors{}, false);
    const TreeNodeTexts texts = trees.nodeTexts();

    const FileLines lines = splitLines(fileBytes);
    const KeywordReadBack back = readBackKeywords(lines, texts);
    for (const NodeRef& mark : back.marks) {
        FUZZ_CHECK(mark.tree >= 0 && mark.tree < kTreeCount);
        FUZZ_CHECK(mark.node >= 1 && static_cast<size_t>(mark.node) <= texts[static_cast<size_t>(mark.tree)].size());
    }
    // Every mark stems from a keyword line: at least one keyword node is marked with it.
    if (!back.marks.empty()) {
        bool keywordMarked = false;
        for (const NodeRef& mark : back.marks)
            keywordMarked = keywordMarked || texts[static_cast<size_t>(mark.tree)][mark.node - 1].rfind('[', 0) == 0;
        FUZZ_CHECK(keywordMarked);
    }
    return 0;
}
