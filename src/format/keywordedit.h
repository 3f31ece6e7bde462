// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "linebuffer.h"

#include <string>
#include <vector>

namespace tagmere {

// Where a keyword (and "[MORE]") is looked for in a line: anywhere, or only at the line's
// start after blanks. The latter serves LM-63-1986 files, whose header is free text that
// may mention a keyword without being its line.
enum class KeywordPlace { Anywhere, LineStart };

// Whether the line holds the keyword where `place` looks for it.
bool lineHoldsKeyword(std::string_view line, std::string_view keyword, KeywordPlace place);

// LineStart for a file whose first line (lines[1]) is free text, Anywhere otherwise.
KeywordPlace keywordPlaceOf(const FileLines& lines);

// Takes every line holding Keyword (exact case, anywhere in the line) out of the
// buffer with the "[MORE]" lines directly below it; unless Remove, inserts NewKeyword
// and NewKeywordMore[1..] before every line starting "TILT=". Element 0 of
// NewKeywordMore is ignored. A line identical to NewKeyword keeps its own "[MORE]"
// lines when NewKeywordMore brings none. Keyword must not be empty.
void msbAddReplaceKeyword(FileLines& gstrFileLine, const std::string& Keyword, const std::string& NewKeyword,
                          const std::vector<std::string>& NewKeywordMore, bool Remove,
                          KeywordPlace place = KeywordPlace::Anywhere);

} // namespace tagmere
