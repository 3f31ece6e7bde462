// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "keywords/keywordlist.h"
#include "keywords/keywordtree.h"
#include "testsupport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// Conversions for readable failures: file bytes are shown as Latin-1, as the window does.
namespace tagmere::test {

inline std::string bytesOf(const QByteArray& bytes) {
    return std::string(bytes.constData(), bytes.size());
}

inline QStringList toList(const std::vector<std::string>& items, size_t from = 0) {
    QStringList out;
    for (size_t i = from; i < items.size(); ++i)
        out << q(items[i]);
    return out;
}

// Each node in node order as "Text" with "*" appended when ticked.
inline QStringList ticks(const KeywordTree& tree) {
    QStringList out;
    for (long n = 1; n <= tree.count(); ++n)
        out << q(tree.node(n).Text) + (tree.node(n).Checked ? QStringLiteral("*") : QString());
    return out;
}

inline KeywordList listFrom(const std::string& bytes) {
    KeywordList list;
    parseKeywordList(bytes, list);
    return list;
}

// The node of `tree` whose text is `text` and whose parent has text `parentText` ("" for
// a keyword node), or 0.
inline long findNode(const KeywordTree& tree, const std::string& text, const std::string& parentText = {}) {
    for (long n = 1; n <= tree.count(); ++n) {
        const TreeNode& node = tree.node(n);
        if (node.Text != text)
            continue;
        const std::string parent = node.Parent == 0 ? std::string() : tree.node(node.Parent).Text;
        if (parent == parentText)
            return n;
    }
    return 0;
}

} // namespace tagmere::test
using tagmere::test::q;
