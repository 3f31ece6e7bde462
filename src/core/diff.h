#pragma once

#include <string>
#include <string_view>

namespace tagmere {

// A unified diff (three lines of context) between two texts, line by line with the
// line ends kept, so a change of line ends shows too. Empty when the texts are equal.
// `label` names the file in the "---" and "+++" lines.
std::string unifiedDiff(const std::string& label, std::string_view before, std::string_view after);

} // namespace tagmere
