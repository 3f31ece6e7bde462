// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywordedit.h"

#include "headercheck.h"
#include "text.h"

#include <cassert>

namespace tagmere {

bool lineHoldsKeyword(std::string_view line, std::string_view keyword, KeywordPlace place) {
    if (place == KeywordPlace::Anywhere)
        return contains(line, keyword);
    const size_t first = line.find_first_not_of(' ');
    return first != std::string_view::npos && startsWith(line.substr(first), keyword);
}

KeywordPlace keywordPlaceOf(const FileLines& lines) {
    return lines.size() > 1 && isFreeTextHeader(lines[1]) ? KeywordPlace::LineStart : KeywordPlace::Anywhere;
}

void msbAddReplaceKeyword(FileLines& gstrFileLine, const std::string& Keyword, const std::string& NewKeyword,
                          const std::vector<std::string>& NewKeywordMore, bool Remove, KeywordPlace place) {
    assert(!Keyword.empty());
    if (gstrFileLine.empty())
        gstrFileLine = emptyFileLines();
    const size_t n = upperBound(gstrFileLine);

    // A line written back unchanged keeps the continuation lines the file has for it;
    // only a changed line takes its old ones out.
    const bool mayKeepMore = !Remove && NewKeywordMore.size() <= 1;
    std::vector<std::string> keptMore(1);

    // Blank the keyword lines and the continuation runs directly beneath them. Blanked
    // lines cannot match again, so one pass finds every occurrence.
    bool matched = false;
    for (size_t i = 1; i <= n; ++i) {
        if (!lineHoldsKeyword(gstrFileLine[i], Keyword, place))
            continue;
        matched = true;
        const bool keep = mayKeepMore && keptMore.size() == 1 && gstrFileLine[i] == NewKeyword;
        gstrFileLine[i].clear();
        for (size_t j = i + 1; j <= n && lineHoldsKeyword(gstrFileLine[j], kMoreMarker, place); ++j) {
            if (keep)
                keptMore.push_back(std::move(gstrFileLine[j]));
            gstrFileLine[j].clear();
        }
    }
    const std::vector<std::string>& more = keptMore.size() > 1 ? keptMore : NewKeywordMore;

    // Close the gaps only after a match; this drops every empty line, not only ours.
    if (matched) {
        FileLines kept = emptyFileLines();
        kept.reserve(gstrFileLine.size());
        for (size_t i = 1; i <= n; ++i) {
            if (!gstrFileLine[i].empty())
                kept.push_back(std::move(gstrFileLine[i]));
        }
        gstrFileLine = std::move(kept);
    }

    if (Remove)
        return;

    const size_t count = upperBound(gstrFileLine);
    bool hasTilt = false;
    for (size_t i = 1; i <= count && !hasTilt; ++i)
        hasTilt = startsWith(gstrFileLine[i], kTiltPrefix);
    if (!hasTilt)
        return;

    FileLines rebuilt = emptyFileLines();
    rebuilt.reserve(gstrFileLine.size() + more.size() + 1);
    for (size_t i = 1; i <= count; ++i) {
        if (startsWith(gstrFileLine[i], kTiltPrefix)) {
            rebuilt.push_back(NewKeyword);
            for (size_t m = 1; m < more.size(); ++m)
                rebuilt.push_back(more[m]);
        }
        rebuilt.push_back(std::move(gstrFileLine[i]));
    }
    gstrFileLine = std::move(rebuilt);
}

} // namespace tagmere
