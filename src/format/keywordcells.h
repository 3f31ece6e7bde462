// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "linebuffer.h"
#include "result.h"

#include <string>
#include <utility>
#include <vector>

// A keyword's lines in a file's header as one text, the form a table cell holds: the value
// of its line, each "[MORE]" line's text on a line of its own below it, and each further
// line of the same keyword as "[KEYWORD] value" on a line of its own. Values are taken from
// where the keyword ends, without the blanks around them. Only lines that start with a
// keyword (after blanks) count, so free text that mentions one is never touched.
namespace tagmere {

// The cell that removes a keyword's lines; an empty cell leaves them as they are.
inline constexpr const char* kRemoveCell = "(remove)";

// The keywords of the header (the lines before the first "TILT=") in the order first met,
// each with its cell.
std::vector<std::pair<std::string, std::string>> keywordCells(const FileLines& lines);

// The cell of one keyword ("" when the header lacks it).
std::string keywordCell(const FileLines& lines, const std::string& keyword);

// Gives the keyword the cell's lines: its old lines (with their "[MORE]" lines) go, the
// new ones go before "TILT=". kRemoveCell removes them. Fails, changing nothing, for a bad
// keyword or a cell with a control byte other than its line breaks.
Status setKeywordCell(FileLines& lines, const std::string& keyword, const std::string& cell);

} // namespace tagmere
