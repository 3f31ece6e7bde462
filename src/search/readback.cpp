// SPDX-License-Identifier: GPL-3.0-or-later
#include "readback.h"

#include "format/keywordedit.h"
#include "format/text.h"

#include <algorithm>
#include <string_view>

namespace tagmere {

namespace {

// What follows the line's first "]"; the whole line when it holds none.
std::string_view afterFirstBracket(std::string_view line) {
    const auto p = line.find(']');
    return p == std::string_view::npos ? line : line.substr(p + 1);
}

// What follows the keyword's first occurrence in the line. Counting from the start of the
// line instead would read an indented line's value one byte early ("] ACME").
std::string_view afterKeyword(std::string_view line, std::string_view keyword) {
    return line.substr(line.find(keyword) + keyword.size());
}

std::string matchKey(std::string_view text) {
    return upperAscii(trimBlanks(text));
}

class Matcher final {
public:
    Matcher(const TreeNodeTexts& trees, std::set<NodeRef>& marks) : m_marks(marks) {
        for (std::size_t t = 0; t < trees.size(); ++t) {
            m_keys[t].reserve(trees[t].size());
            for (const auto& text : trees[t])
                m_keys[t].push_back(matchKey(text));
        }
    }

    // Ticks, for each piece, the first node of tree t from `start` on that matches it,
    // and with it the keyword node.
    void match(int t, int keywordNode, const std::vector<std::string_view>& pieces, int start) {
        const auto& keys = m_keys[static_cast<std::size_t>(t)];
        const int count = static_cast<int>(keys.size());
        for (const auto piece : pieces) {
            const std::string key = matchKey(piece);
            for (int m = start; m <= count; ++m) {
                if (keys[static_cast<std::size_t>(m - 1)] == key) {
                    m_marks.insert(NodeRef{t, m});
                    m_marks.insert(NodeRef{t, keywordNode});
                    break;
                }
            }
        }
    }

private:
    std::array<std::vector<std::string>, 3> m_keys;
    std::set<NodeRef>& m_marks;
};

} // namespace

KeywordReadBack readBackKeywords(const FileLines& gstrFileLine, const TreeNodeTexts& trees) {
    KeywordReadBack out;
    struct PanelKeyword {
        const char* text;
        PanelValue KeywordReadBack::*value;
        bool upper;
    };
    const PanelKeyword panel[] = {
        {kManufac, &KeywordReadBack::manufac, false},
        {kSearchSpRatio, &KeywordReadBack::spRatio, false},
        {kSearchCri, &KeywordReadBack::cri, false},
        {kSearchColorTemp, &KeywordReadBack::colorTemp, false},
        {kSearchSourceType, &KeywordReadBack::sourceType, true},
    };
    Matcher matcher(trees, out.marks);
    const std::size_t last = upperBound(gstrFileLine);
    // A free-text header mentions keywords without being their lines; the edit skips
    // such lines, so the read-back does too.
    const KeywordPlace place = keywordPlaceOf(gstrFileLine);
    const auto holds = [place](std::string_view line, std::string_view keyword) {
        return lineHoldsKeyword(line, keyword, place);
    };

    for (std::size_t i = 1; i <= last; ++i) {
        const std::string& line = gstrFileLine[i];

        for (const auto& k : panel) {
            if (!holds(line, k.text))
                continue;
            const std::string_view rest = afterKeyword(line, k.text);
            PanelValue& v = out.*(k.value);
            v.found = true;
            v.value = k.upper ? trimBlanks(upperAscii(rest)) : trimBlanks(rest);
        }

        for (int t = 0; t < static_cast<int>(trees.size()); ++t) {
            const auto& nodes = trees[static_cast<std::size_t>(t)];
            for (int n = 1; n <= static_cast<int>(nodes.size()); ++n) {
                const std::string& text = nodes[static_cast<std::size_t>(n - 1)];
                if (!startsWith(text, "[") || !holds(line, text))
                    continue;
                if (contains(line, ","))
                    matcher.match(t, n, splitAt(afterKeyword(line, text), ','), n + 1);
                else
                    matcher.match(t, n, {afterFirstBracket(line)}, n);

                for (std::size_t j = i + 1; j <= last && holds(gstrFileLine[j], kMoreMarker); ++j) {
                    const std::string& more = gstrFileLine[j];
                    if (contains(more, ","))
                        matcher.match(t, n, splitAt(afterFirstBracket(more), ','), n + 1);
                    else
                        matcher.match(t, n, {afterFirstBracket(more)}, n);
                }
            }
        }
    }
    return out;
}

} // namespace tagmere
