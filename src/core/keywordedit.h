// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "linebuffer.h"

#include <string>
#include <vector>

namespace tagmere {

// Takes every line holding Keyword (exact case, anywhere in the line) out of the
// buffer with the "[MORE]" lines directly below it; unless Remove, inserts NewKeyword
// and NewKeywordMore[1..] before every line starting "TILT=". Element 0 of
// NewKeywordMore is ignored. A line identical to NewKeyword keeps its own "[MORE]"
// lines when NewKeywordMore brings none. Keyword must not be empty.
void msbAddReplaceKeyword(FileLines& gstrFileLine, const std::string& Keyword, const std::string& NewKeyword,
                          const std::vector<std::string>& NewKeywordMore, bool Remove);

} // namespace tagmere
