// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"
#include "core/platform.h"

#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args = tagmere::platform::commandLineArguments(argc, argv);
    const int code = tagmere::cli::run(args, std::cout, std::cerr);
    std::cout.flush();
    return code;
}
