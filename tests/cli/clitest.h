// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/cli.h"

#include <sstream>
#include <string>
#include <vector>

namespace tagmere::test {

// What one in-process run of the command-line tool gave.
struct CliResult {
    int code;
    std::string out;
    std::string err;
};

inline CliResult runCli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = tagmere::cli::run(args, out, err);
    return {code, out.str(), err.str()};
}

} // namespace tagmere::test
