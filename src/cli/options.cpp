// SPDX-License-Identifier: GPL-3.0-or-later
#include "options.h"

#include <algorithm>
#include <ostream>

namespace tagmere::cli {

Parsed parse(const std::vector<std::string>& args, size_t from, const std::set<std::string>& valued,
             const std::set<std::string>& flags, const std::set<std::string>& flagsWithValue) {
    Parsed p;
    bool onlyPositionals = false;
    for (size_t i = from; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyPositionals || a.empty() || a[0] != '-' || a == "-") {
            p.positionals.push_back(a);
        } else if (a == "--") {
            onlyPositionals = true;
        } else if (a == "--help" || a == "-h") {
            p.help = true;
        } else if (const size_t eq = a.find('='); eq != std::string::npos && (valued.count(a.substr(0, eq)) ||
                                                                              flagsWithValue.count(a.substr(0, eq)))) {
            p.options.emplace_back(a.substr(0, eq), a.substr(eq + 1)); // --format=json
        } else if (valued.count(a)) {
            // "--manufac --dry-run" lacks its value rather than setting it to an option.
            if (i + 1 >= args.size() || args[i + 1].compare(0, 2, "--") == 0) {
                p.error = "option " + a + " needs a value";
                return p;
            }
            p.options.emplace_back(a, args[++i]);
        } else if (flags.count(a)) {
            p.flags.push_back(a);
        } else {
            p.error = "unknown option " + a;
            return p;
        }
    }
    return p;
}

int keepOption(const Parsed& p, int fallback, std::string& error) {
    if (!hasOption(p, "--keep"))
        return fallback;
    const std::string value = optionValue(p, "--keep");
    if (value.empty() || value.size() > 5 || value.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(value) < 1 || std::stoi(value) > 10000) {
        error = "--keep needs a number of runs from 1 to 10000";
        return fallback;
    }
    return std::stoi(value);
}

std::string commandLineText(const std::vector<std::string>& args) {
    std::string text = "tagmere-cli";
    for (const auto& a : args) {
        const bool plain = !a.empty() && a.find_first_of(" \t\"'$\\") == std::string::npos;
        text += " " + (plain ? a : "'" + a + "'");
    }
    return text;
}

int usageError(std::ostream& err, const std::string& why, const char* usage) {
    err << "tagmere-cli: " << why << "\n" << usage;
    return kExitUsage;
}

std::string optionValue(const Parsed& p, const std::string& name) {
    std::string value;
    for (const auto& [key, v] : p.options) {
        if (key == name)
            value = v;
    }
    return value;
}

bool hasOption(const Parsed& p, const std::string& name) {
    return std::any_of(p.options.begin(), p.options.end(), [&](const auto& o) { return o.first == name; });
}

} // namespace tagmere::cli
