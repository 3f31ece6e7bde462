// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tagmere::cli {

// Exit codes of the command-line tool.
enum ExitCode : int {
    kExitOk = 0,
    kExitFileFailed = 1, // a file could not be read or written; the run went on
    kExitUsage = 2,      // bad arguments, a bad value, a missing folder or list: nothing touched
    kExitColorTemp = 3,  // the colour temperature failed its per-file check: the run stopped
    kExitJournal = 4,    // the run journal could not be written: the run stopped (at once: nothing touched)
};

// Runs the tool with its arguments (without the program name), writing to the streams.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tagmere::cli
