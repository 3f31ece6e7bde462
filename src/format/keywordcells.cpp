// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywordcells.h"

#include "keywordedit.h"
#include "text.h"

namespace tagmere {

namespace {

// The keyword a header line starts with after blanks, or "".
std::string_view leadingKeyword(std::string_view line) {
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos || line[start] != '[')
        return {};
    const std::string_view rest = line.substr(start);
    const size_t close = rest.find(']');
    return close == std::string_view::npos ? std::string_view() : rest.substr(0, close + 1);
}

std::string valueAfter(std::string_view line, std::string_view keyword) {
    return trimBlanks(line.substr(line.find(keyword) + keyword.size()));
}

bool isTilt(const std::string& line) {
    return startsWith(line, kTiltPrefix);
}

// Calls visit(keyword, index of its line) for each keyword line of the header.
template <typename Visit> void forEachKeywordLine(const FileLines& lines, Visit visit) {
    for (size_t i = 1; i < lines.size() && !isTilt(lines[i]); ++i) {
        const std::string_view keyword = leadingKeyword(lines[i]);
        if (!keyword.empty() && keyword != kMoreMarker && isValidKeyword(keyword))
            visit(keyword, i);
    }
}

// The keyword line at `i` and the "[MORE]" lines below it, in cell form.
void appendLines(const FileLines& lines, size_t i, std::string_view keyword, std::string& cell) {
    cell += valueAfter(lines[i], keyword);
    for (size_t j = i + 1; j < lines.size() && leadingKeyword(lines[j]) == kMoreMarker; ++j)
        cell += "\n" + valueAfter(lines[j], kMoreMarker);
}

} // namespace

std::vector<std::pair<std::string, std::string>> keywordCells(const FileLines& lines) {
    std::vector<std::pair<std::string, std::string>> cells;
    forEachKeywordLine(lines, [&](std::string_view keyword, size_t i) {
        auto it = cells.begin();
        while (it != cells.end() && it->first != keyword)
            ++it;
        if (it == cells.end()) {
            cells.emplace_back(std::string(keyword), std::string());
            it = cells.end() - 1;
        } else {
            it->second += "\n" + std::string(keyword) + " ";
        }
        appendLines(lines, i, keyword, it->second);
    });
    return cells;
}

std::string keywordCell(const FileLines& lines, const std::string& keyword) {
    std::string cell;
    bool first = true;
    forEachKeywordLine(lines, [&](std::string_view k, size_t i) {
        if (k != keyword)
            return;
        if (!first)
            cell += "\n" + keyword + " ";
        first = false;
        appendLines(lines, i, k, cell);
    });
    return cell;
}

Status setKeywordCell(FileLines& lines, const std::string& keyword, const std::string& cell) {
    if (!isValidKeyword(keyword))
        return Status::failure(keyword + " is not a keyword: a name without blanks or brackets in square brackets");
    if (cell == kRemoveCell) {
        msbAddReplaceKeyword(lines, keyword, {}, {}, true, KeywordPlace::LineStart);
        return Status::success();
    }
    // Each line of the cell is a line of the file: its first the keyword's line, a later
    // one a further line of the keyword where it starts with it, a "[MORE]" line otherwise.
    const std::string prefix = keyword + " ";
    std::string first;
    std::vector<std::string> more(1);
    bool firstLine = true;
    for (const std::string_view piece : splitAt(cell, '\n')) {
        if (hasControlByte(piece))
            return Status::failure("the value of " + keyword + " holds a control character");
        const std::string text = trimBlanks(piece);
        if (firstLine) {
            first = text.empty() ? keyword : prefix + text;
            firstLine = false;
        } else if (text == keyword || startsWith(text, prefix)) {
            const std::string value = trimBlanks(std::string_view(text).substr(keyword.size()));
            more.push_back(value.empty() ? keyword : prefix + value);
        } else {
            more.push_back(text.empty() ? std::string(kMoreMarker) : std::string(kMoreMarker) + " " + text);
        }
    }
    // Out first: a line equal to the new one would otherwise keep the "[MORE]" lines the
    // cell dropped.
    msbAddReplaceKeyword(lines, keyword, {}, {}, true, KeywordPlace::LineStart);
    msbAddReplaceKeyword(lines, keyword, first, more, false, KeywordPlace::LineStart);
    return Status::success();
}

} // namespace tagmere
