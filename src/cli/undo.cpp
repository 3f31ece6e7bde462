// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "options.h"

#include "core/message.h"
#include "core/undo.h"
#include "files/journal.h"
#include "files/platform.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace tagmere::cli {

namespace {

const char* const kUndoHelp =
    "usage: tagmere-cli undo [--dry-run] [--keep N] [RUN]\n"
    "       tagmere-cli undo --list\n"
    "\n"
    "Takes a run back: every file the run replaced gets its old text again, from the run\n"
    "journal, through the same safe replacement as a run. A file is restored only while it\n"
    "is still exactly what the run wrote; a file changed, moved or removed since is left\n"
    "as it is and named. Undo is a run of its own in the journal, so it can be undone too.\n"
    "RUN is a run's number as --list shows it; without it, the newest run.\n"
    "\n"
    "Options:\n"
    "  --list                list the runs in the journal, newest first: number, time, files,\n"
    "                        space used and what the run did\n"
    "  --dry-run             restore nothing; print what would be restored\n"
    "  --keep N              keep the newest N runs in the run journal (default: as the\n"
    "                        window's setting last said, else 20)\n"
    "\n"
    "The journal lives in $XDG_STATE_HOME/tagmere/runs (~/.local/state/tagmere/runs), on\n"
    "Windows in %LOCALAPPDATA%\\Tagmere\\runs.\n"
    "\n"
    "Exit status: 0; 1 when a file was left as it is, could not be restored, or a line of\n"
    "the journal is damaged; 2 on bad arguments or an unknown run; 4 when the undo's own\n"
    "journal cannot be written (nothing is touched).\n";

std::string sizeText(long long bytes) {
    char text[32];
    if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f kB", static_cast<double>(bytes) / 1024);
    else
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
    return text;
}

int listRunsCommand(const std::string& journalFolder, std::ostream& out) {
    const std::vector<RunSummary> runs = listRuns(journalFolder);
    long long total = 0;
    char line[96];
    out << "   RUN  TIME                  FILES      SIZE  WHAT\n";
    for (const auto& run : runs) {
        std::snprintf(line, sizeof line, "%6d  %-19s %7ld %9s  ", run.number, run.time.c_str(), run.files,
                      sizeText(run.bytes).c_str());
        out << line << run.what << "\n";
        total += run.bytes;
    }
    out << runs.size() << (runs.size() == 1 ? " run, " : " runs, ") << sizeText(total) << " in "
        << platform::displayPath(journalFolder) << "\n";
    return kExitOk;
}

} // namespace

int runUndo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Parsed p = parse(args, 1, {"--keep"}, {"--list", "--dry-run"});
    if (p.help) {
        out << kUndoHelp;
        return kExitOk;
    }
    if (!p.error.empty())
        return usageError(err, p.error, kUndoHelp);
    auto flag = [&](const char* name) { return std::find(p.flags.begin(), p.flags.end(), name) != p.flags.end(); };
    std::string keepError;
    const std::string journalFolder = defaultJournalFolder();
    const int keep = keepOption(p, keptRuns(journalFolder, kDefaultRunsKept), keepError);
    if (!keepError.empty())
        return usageError(err, keepError, kUndoHelp);
    if (flag("--list")) {
        if (!p.positionals.empty() || flag("--dry-run"))
            return usageError(err, "--list takes no run and no other option", kUndoHelp);
        return listRunsCommand(journalFolder, out);
    }
    if (p.positionals.size() > 1)
        return usageError(err, "undo takes one run at a time", kUndoHelp);
    int number = 0;
    if (!p.positionals.empty()) {
        const std::string& text = p.positionals[0];
        if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(text) < 1)
            return usageError(err, "RUN is a run's number as 'tagmere-cli undo --list' shows it", kUndoHelp);
        number = std::stoi(text);
    }

    const bool dryRun = flag("--dry-run");
    UndoCallbacks callbacks;
    callbacks.message = [&](const Message& m) { err << consoleText(m) << "\n"; };
    callbacks.fileDone = [&](const UndoFileResult& r) {
        if (r.fate == UndoFileResult::Fate::Restored)
            out << (dryRun ? "would restore " : "restored ") << r.path << "\n";
        else if (dryRun && r.fate != UndoFileResult::Fate::AlreadyOld)
            out << "would leave " << r.path << ": " << r.reason << "\n";
    };
    callbacks.waiting = [&](const std::string& folder) {
        err << "tagmere-cli: waiting for another run working in " << folder << "\n";
    };
    // The undo's own journal holds the texts it replaces, so it can be taken back too.
    RunJournal journal(journalFolder, {});
    const UndoOutcome outcome = undoRun(journalFolder, number, dryRun, &journal, callbacks);
    if (!outcome.status.ok) {
        err << "tagmere-cli: " << outcome.status.description << "\n";
        return outcome.journalFailed ? kExitJournal : kExitUsage;
    }
    if (!dryRun)
        pruneRuns(journalFolder, keep);
    err << "tagmere-cli: " << runDescription(outcome.run) << "\n";
    err << "tagmere-cli: " << undoSummary(outcome, dryRun) << "\n";
    if (outcome.journalFailed)
        return kExitJournal;
    return outcome.anyProblem() ? kExitFileFailed : kExitOk;
}

} // namespace tagmere::cli
