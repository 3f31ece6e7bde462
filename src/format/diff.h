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

// What the Preview and `apply --dry-run` show for one file: the line-end note, when there
// is one, on a line of its own, then the diff ignoring line ends, so a file whose line
// ends all change lists only the lines whose text does. The "---" and "+++" lines are
// there whenever the texts differ, so every file is named. Empty when the texts are equal.
std::string previewDiff(const std::string& label, std::string_view before, std::string_view after);

} // namespace tagmere
