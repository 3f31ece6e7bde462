// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tagmere {

// The file-name pattern every search runs with.
inline constexpr const char* kDefaultFilePattern = "*.ies";

// Splits `text` at every ";" into `list`, entries 1..n (entry 0 is left empty), so
// n = number of ";" + 1: an empty text gives one empty item, a trailing ";" a final
// empty one. The text is consumed: on return it holds the last item.
void msbSplitList(std::string& text, std::vector<std::string>& list);

// Splits `path` in place: on return `path` holds the base name, `folder` everything up
// to and including the last "/" ("" when none) and `extension` the text from the last
// "." on ("" when there is none or it is longer than 4 characters). The dot search does
// not stop at a "/", and the base is cut at that dot even when the extension was
// dropped for its length ("report.html" gives "report" and "").
void msbSplitPath(std::string& path, std::string& folder, std::string& extension);

// Replaces every "*" by a blank and trims blanks at both ends; changes the argument
// the same way and returns it ("A*C" gives "A C", "ABC*" gives "ABC").
std::string mfnStripWildcards(std::string& pattern);

// Byte-wise ordering that ignores ASCII letter case (letters fold to lower case, so
// "_" sorts before letters); names equal but for case fall back to byte order so the
// order is total.
bool lessIgnoringCase(std::string_view a, std::string_view b);

// True when the name ends in ".IES", in any letter case.
bool endsWithIes(std::string_view name);

} // namespace tagmere
