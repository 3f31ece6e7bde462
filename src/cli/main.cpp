// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"
#include "files/platform.h"

#include <iostream>
#include <new>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    int code = 1;
    try {
        const std::vector<std::string> args = tagmere::platform::commandLineArguments(argc, argv);
        code = tagmere::cli::run(args, std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << "tagmere-cli: out of memory\n";
        return 1;
    }
    // Output that did not reach its file (a full disk) is a failure the caller must see.
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "tagmere-cli: cannot write standard output\n";
        return code == 0 ? 1 : code;
    }
    std::cerr.flush();
    if (!std::cerr)
        return code == 0 ? 1 : code;
    return code;
}
