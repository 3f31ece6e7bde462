// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"

#include "commands.h"
#include "options.h"

#include "core/version.h"

#include <ostream>

namespace tagmere::cli {

namespace {

const char* const kUsage =
    "usage: tagmere-cli [--help] [--version] COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  find DIR                    list the photometric files (*.ies) below DIR\n"
    "  show FILE [--list LIST]     show the keywords FILE holds (--photometry: its figures)\n"
    "  apply [OPTIONS] TARGET...   add, replace or remove keyword lines in files\n"
    "  check [--quiet] TARGET...   report files that lack or misuse header keywords\n"
    "  export TARGET...            write the files' keywords and figures as a table (CSV, JSON)\n"
    "  undo [RUN] | --list         take a run back (default: the newest), or list the runs\n"
    "\n"
    "Run 'tagmere-cli COMMAND --help' for a command's options.\n";

} // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return kExitUsage;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return kExitOk;
    }
    if (command == "--version") {
        out << "tagmere-cli " << kVersion << "\n";
        return kExitOk;
    }
    if (command == "find")
        return runFind(args, out, err);
    if (command == "show")
        return runShow(args, out, err);
    if (command == "apply")
        return runApply(args, out, err);
    if (command == "check")
        return runCheck(args, out, err);
    if (command == "export")
        return runExport(args, out, err);
    if (command == "undo")
        return runUndo(args, out, err);
    return usageError(err, command[0] == '-' ? "unknown option " + command : "unknown command " + command, kUsage);
}

} // namespace tagmere::cli
