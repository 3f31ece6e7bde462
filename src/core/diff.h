// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace tagmere {

// A unified diff (three lines of context) between two texts, line by line with the
// line ends kept, so a change of line ends shows too. Empty when the texts are equal.
// `label` names the file in the "---" and "+++" lines. With `ignoreLineEnds`, lines that
// differ only in their ends (CR LF, LF, CR) count as the same, every line is shown with
// the new text and a plain "\n" end, and the diff is empty when nothing else differs.
std::string unifiedDiff(const std::string& label, std::string_view before, std::string_view after,
                        bool ignoreLineEnds = false);

// One line saying how the line ends change from `before` to `after`, such as "line ends
// become CR LF", or "" when each text uses the same kinds of line end.
std::string lineEndNote(std::string_view before, std::string_view after);

} // namespace tagmere
