// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "options.h"
#include "targets.h"

#include <ostream>

namespace tagmere::cli {

namespace {

const char* const kFindHelp = "usage: tagmere-cli find DIR\n"
                              "\n"
                              "Prints the full path of every photometric file (name ending in .ies, any case)\n"
                              "below DIR, one per line, in the order the window lists them: the files of a\n"
                              "folder's subfolders (last name first) before its own files, names sorted without\n"
                              "regard to case. Hidden files and folders (name starting with '.') are skipped.\n"
                              "A folder below DIR that cannot be read is named on standard error.\n"
                              "Exit status: 0; 1 when a folder below DIR could not be read or the output\n"
                              "could not be written; 2 when DIR is missing or cannot be read.\n";

} // namespace

int runFind(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Parsed p = parse(args, 1, {}, {});
    if (p.help) {
        out << kFindHelp;
        return kExitOk;
    }
    if (!p.error.empty())
        return usageError(err, p.error, kFindHelp);
    if (p.positionals.size() != 1)
        return usageError(err, "find takes one folder", kFindHelp);
    const std::string& dir = p.positionals[0];
    if (const std::string problem = folderProblem(dir); !problem.empty()) {
        err << "tagmere-cli: " << problem << "\n";
        return kExitUsage;
    }
    TargetVisitor visit;
    visit.file = [&](const std::string& path, const std::string&) {
        out << path << "\n";
        return true;
    };
    forEachTarget({dir}, visit, err);
    return visit.skipped > 0 ? kExitFileFailed : kExitOk;
}

} // namespace tagmere::cli
