// SPDX-License-Identifier: GPL-3.0-or-later
#include "message.h"

namespace tagmere {

std::string consoleText(const Message& message) {
    std::string out = message.text;
    for (char& c : out) {
        if (c == '\r')
            c = '\n';
    }
    return out;
}

} // namespace tagmere
