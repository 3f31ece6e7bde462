// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "findings.h"

#include <string>
#include <string_view>
#include <vector>

namespace tagmere {

// Checks the header of a photometric file given as its bytes, by the rules of the version
// its first line names (a free-text first line and a TILT= line: LM-63-1986). The header is
// the lines before the first line starting "TILT=". Findings come in line order.
std::vector<HeaderFinding> checkHeader(std::string_view bytes);

// A whole file checked: the header as above, then the photometric block.
struct FileCheck {
    std::string version; // "LM-63-2002" and so on; empty when it cannot be told
    std::vector<HeaderFinding> findings;
};
FileCheck checkFile(std::string_view bytes);

} // namespace tagmere
