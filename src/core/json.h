// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace tagmere {

// Bytes as a JSON string: control bytes escaped, bytes above 0x7F taken as Latin-1, so the
// output is valid JSON whatever the file names and texts hold.
std::string jsonString(std::string_view bytes);

} // namespace tagmere
