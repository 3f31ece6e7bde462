// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli.h"

#include <iosfwd>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tagmere::cli {

// Option parsing shared by the commands: options with a value, flags, positionals. A flag
// of `flagsWithValue` may also be given a value, "--dry-run=exact", which goes to options.
struct Parsed {
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> flags;
    std::vector<std::string> positionals;
    std::string error;
    bool help = false;
};

Parsed parse(const std::vector<std::string>& args, size_t from, const std::set<std::string>& valued,
             const std::set<std::string>& flags, const std::set<std::string>& flagsWithValue = {});

// The last value given for an option, or "".
std::string optionValue(const Parsed& p, const std::string& name);
bool hasOption(const Parsed& p, const std::string& name);

// The value of --keep (how many runs the journal keeps), or `fallback` when not given;
// empty `error` unless it is not a whole number from 1 to 10000.
int keepOption(const Parsed& p, int fallback, std::string& error);

// The command line as a user would type it again, for the run journal.
std::string commandLineText(const std::vector<std::string>& args);

// Prints why the arguments are wrong and the command's usage; gives kExitUsage.
int usageError(std::ostream& err, const std::string& why, const char* usage);

} // namespace tagmere::cli
