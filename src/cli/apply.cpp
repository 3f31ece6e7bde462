// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "options.h"
#include "targets.h"

#include "core/batch.h"
#include "core/message.h"
#include "core/table.h"
#include "files/journal.h"
#include "files/platform.h"
#include "format/diff.h"
#include "format/text.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>

namespace fs = std::filesystem;

namespace tagmere::cli {

namespace {

const char* const kApplyHelp =
    "usage: tagmere-cli apply [OPTIONS] TARGET...\n"
    "       tagmere-cli apply --table FILE [--dry-run] [--backup DIR] [--no-journal] [--keep N]\n"
    "\n"
    "Edits the keyword lines of every target: a file is taken as given, a folder is\n"
    "searched like 'find'. Each file is rewritten safely (a temporary file renamed over\n"
    "it), with CR LF line ends and without blank lines.\n"
    "\n"
    "Options:\n"
    "  --manufac TEXT        write [MANUFAC] TEXT\n"
    "  --source-type TYPE    write [_SEARCH_SOURCETYPE] TYPE; TYPE is one of\n"
    "                        CFL CMH FL HAL HPS INC IND LED LEP LPS MH MV OLED\n"
    "  --sp-ratio NUMBER     write [_SEARCH_SP_RATIO] NUMBER (a number > 0)\n"
    "  --cri VALUE           write [_SEARCH_CRI] VALUE (70, or a range 70-80)\n"
    "  --color-temp VALUE    write [_SEARCH_COLORTEMP] VALUE (4000, 4000K, 4000-5000)\n"
    "  --list LIST           apply the keywords and values ticked in keyword list file LIST;\n"
    "                        a ticked keyword without ticked values is removed\n"
    "  --set \"LINE\"          write a whole keyword line, e.g. \"[TESTLAB] ACME LABS\" (repeatable)\n"
    "  --remove KEYWORD      remove a keyword line, e.g. [OTHER] (repeatable)\n"
    "  --dry-run             write nothing; for each file that would change, print what the\n"
    "                        window's Preview shows: a line such as 'line ends become CR LF'\n"
    "                        when the line ends change, then a diff of the lines whose text\n"
    "                        changes\n"
    "  --dry-run=exact       write nothing; print a byte-exact unified diff for each file that\n"
    "                        would change, line ends included (input for 'patch')\n"
    "  --backup DIR          copy each file into DIR before it is first changed: below DIR\n"
    "                        it keeps its path below the target folder (a file named on its\n"
    "                        own, its whole path); an existing copy is never overwritten, the\n"
    "                        new one gets '.~N~' appended. DIR must not lie inside a target.\n"
    "  --no-journal          keep no copy in the run journal, so 'tagmere-cli undo' cannot take\n"
    "                        this run back (for scripts that keep their own backups)\n"
    "  --keep N              keep the newest N runs in the run journal (default: as the\n"
    "                        window's setting last said, else 20)\n"
    "  --table FILE          give each file its own values: FILE is a table made by\n"
    "                        'tagmere-cli export' (CSV or JSON) and edited since. Each keyword\n"
    "                        cell that differs from what the file holds is written; an empty\n"
    "                        cell leaves its keyword as it is, a cell holding (remove) removes\n"
    "                        it. A row whose file changed since the export, lies outside its\n"
    "                        folder or is missing, or holds a character the file's single-byte\n"
    "                        text cannot hold, is refused. Read-only columns are ignored.\n"
    "\n"
    "Every run keeps the old text of each file it replaces in the run journal first, so\n"
    "'tagmere-cli undo' can take it back.\n"
    "\n"
    "Files are left as they are, with a message, when they have no TILT= line, are\n"
    "write-protected, have more than one hard link, belong to another user, are symbolic\n"
    "links leading out of the target folder, or changed while the run worked. Values with\n"
    "line breaks or other control characters are refused.\n"
    "\n"
    "Prints the report of the keywords modified, and on standard error a summary of the\n"
    "files written, unchanged, refused and failed. Exit status: 0; 1 when a file was\n"
    "refused or could not be read or written, or a folder could not be read (the run goes\n"
    "on); 2 on bad arguments, values or a keyword list over 2 MB (nothing is touched); 3\n"
    "when the colour temperature fails its check (the run stops); 4 when the run journal\n"
    "cannot be written (the run stops; at the start, nothing is touched).\n";

// A backup folder must be named, and must not lie in a folder being edited, where the
// copies would be searched and edited too.
std::string backupProblem(const std::string& dir, const std::vector<std::string>& targets) {
    if (dir.empty())
        return "--backup needs a folder";
    std::error_code ec;
    const fs::path backup = fs::weakly_canonical(fs::absolute(pathOf(dir)), ec);
    for (const auto& target : targets) {
        if (!isFolder(target))
            continue;
        const fs::path folder = fs::weakly_canonical(fs::absolute(pathOf(target)), ec);
        const fs::path rest = backup.lexically_relative(folder);
        if (!rest.empty() && *rest.begin() != "..")
            return "the backup folder " + dir + " lies inside the target " + target;
    }
    return {};
}

// Each row of the table through the run, its file found below its folder without leaving it.
// kExitUsage when the table cannot be read at all, kExitFileFailed when it breaks off.
int applyTable(const std::string& tablePath, BatchRun& run, std::ostream& err) {
    std::ifstream in(pathOf(tablePath), std::ios::binary);
    if (!in) {
        err << "tagmere-cli: cannot read the table " << tablePath << "\n";
        return kExitUsage;
    }
    TableReader table(in);
    if (const Status opened = table.open(); !opened.ok) {
        err << "tagmere-cli: " << tablePath << ": " << opened.description << "\n";
        return kExitUsage;
    }
    const TableFeed feed = feedTable(table, run);
    if (feed.numbersKept > 0)
        err << "tagmere-cli: " << tablePath << ": " << feed.numbersKept
            << " cell(s) hold their file's number written another way (as spreadsheets write numbers); "
               "the files keep their own form\n";
    if (feed.readOnlyRow > 0)
        err << "tagmere-cli: " << tablePath << ": read-only cells were changed (first in row " << feed.readOnlyRow
            << "); they are ignored\n";
    if (!feed.damage.empty()) {
        err << "tagmere-cli: " << tablePath << ": " << feed.damage << "; the rows after it were not applied\n";
        return kExitFileFailed;
    }
    return kExitOk;
}

} // namespace

int runApply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Parsed p = parse(args, 1,
                           {"--manufac", "--source-type", "--sp-ratio", "--cri", "--color-temp", "--list", "--set",
                            "--remove", "--backup", "--keep", "--table"},
                           {"--dry-run", "--no-journal"}, {"--dry-run"});
    if (p.help) {
        out << kApplyHelp;
        return kExitOk;
    }
    if (!p.error.empty())
        return usageError(err, p.error, kApplyHelp);
    // The byte-exact diff is for tools such as 'patch'; people read the Preview's.
    const bool exactDiff = hasOption(p, "--dry-run");
    if (exactDiff && optionValue(p, "--dry-run") != "exact")
        return usageError(err, "unknown value of --dry-run: " + optionValue(p, "--dry-run") + " (only --dry-run=exact)",
                          kApplyHelp);
    std::string keepError;
    const int keep = keepOption(p, keptRuns(defaultJournalFolder(), kDefaultRunsKept), keepError);
    if (!keepError.empty())
        return usageError(err, keepError, kApplyHelp);

    MiscPanel panel;
    panel.chkManufac = hasOption(p, "--manufac");
    panel.txtManufac = optionValue(p, "--manufac");
    panel.chkSearchSource = hasOption(p, "--source-type");
    if (panel.chkSearchSource) {
        panel.cbxSourceType = optionValue(p, "--source-type");
        if (std::find_if(kSourceTypes.begin(), kSourceTypes.end(),
                         [&](const char* t) { return panel.cbxSourceType == t; }) == kSourceTypes.end())
            return usageError(err, "unknown source type " + panel.cbxSourceType, kApplyHelp);
    }
    panel.chkSearchSPRatio = hasOption(p, "--sp-ratio");
    panel.txtSearchSPRatio = optionValue(p, "--sp-ratio");
    panel.chkSearchCRI = hasOption(p, "--cri");
    panel.txtSearchCRI = optionValue(p, "--cri");
    panel.chkSearchColorTemp = hasOption(p, "--color-temp");
    panel.txtSearchColorTemp = optionValue(p, "--color-temp");

    std::vector<ExtraEdit> extras;
    for (const auto& [name, value] : p.options) {
        if (name == "--set") {
            const std::string keyword(keywordOf(value));
            if (!isValidKeyword(keyword))
                return usageError(err, "--set needs a keyword line such as \"[TESTLAB] ACME LABS\"", kApplyHelp);
            extras.push_back({keyword, value, false});
        } else if (name == "--remove") {
            if (!isValidKeyword(value))
                return usageError(err, "--remove needs a bracketed keyword such as [OTHER]", kApplyHelp);
            extras.push_back({value, {}, true});
        }
    }
    const bool fromTable = hasOption(p, "--table");
    if (fromTable) {
        if (!p.positionals.empty() || panel.chkManufac || panel.chkSearchSource || panel.chkSearchSPRatio ||
            panel.chkSearchCRI || panel.chkSearchColorTemp || !extras.empty() || hasOption(p, "--list"))
            return usageError(err, "--table names its files and values: it takes no target and no other edit",
                              kApplyHelp);
    } else if (p.positionals.empty())
        return usageError(err, "apply needs at least one file or folder", kApplyHelp);
    if (!fromTable && !panel.chkManufac && !panel.chkSearchSource && !panel.chkSearchSPRatio && !panel.chkSearchCRI &&
        !panel.chkSearchColorTemp && extras.empty() && !hasOption(p, "--list"))
        return usageError(err, "apply needs an edit option (--manufac, --set, --list, ...)", kApplyHelp);

    BatchTrees batchTrees;
    if (hasOption(p, "--list")) {
        KeywordTrees trees;
        if (!loadTrees(optionValue(p, "--list"), trees, err))
            return kExitUsage;
        batchTrees = trees.batchTrees();
    }

    const bool dryRun = exactDiff || std::find(p.flags.begin(), p.flags.end(), "--dry-run") != p.flags.end();
    BatchCallbacks callbacks;
    callbacks.message = [&](const Message& m) { err << consoleText(m) << "\n"; };
    if (dryRun) {
        callbacks.fileDone = [&](const BatchFileResult& r) {
            if (r.refused)
                err << "tagmere-cli: " << r.path << ": would be refused: " << r.reason << "\n";
            else if (r.changes())
                out << (exactDiff ? unifiedDiff(r.path, r.before, r.after) : previewDiff(r.path, r.before, r.after));
        };
    }
    std::string backupFolder;
    if (hasOption(p, "--backup")) {
        const std::string problem = backupProblem(optionValue(p, "--backup"), p.positionals);
        if (!problem.empty())
            return usageError(err, problem, kApplyHelp);
        backupFolder = fs::absolute(pathOf(optionValue(p, "--backup"))).lexically_normal().u8string();
        callbacks.backupPath = [](const std::string& path, const std::string& root) {
            // Below a folder target the path keeps its place; a file named on its own
            // keeps its whole path, so two files of one name never share a backup. A
            // path is made plain first, so ".." in it cannot climb out of the backup folder.
            const fs::path relative = root.empty() ? fs::absolute(pathOf(path)).lexically_normal().relative_path()
                                                   : pathOf(path).lexically_relative(pathOf(root));
            return relative.u8string();
        };
    }
    callbacks.waiting = [&](const std::string& folder) {
        err << "tagmere-cli: waiting for another run working in " << folder << "\n";
    };

    const bool journalled = !dryRun && std::find(p.flags.begin(), p.flags.end(), "--no-journal") == p.flags.end();
    const std::string journalFolder = defaultJournalFolder();
    RunJournal journal(journalFolder, commandLineText(args));
    BatchOptions options;
    options.dryRun = dryRun;
    options.backupFolder = backupFolder;
    options.journal = journalled ? &journal : nullptr;
    BatchRun run(panel, batchTrees, extras, callbacks, options);
    // The checks come before any folder is searched, so a bad value touches nothing.
    if (!run.start())
        return run.finish().status == BatchStatus::JournalFailed ? kExitJournal : kExitUsage;

    TargetVisitor visit;
    int tableExit = kExitOk;
    if (fromTable) {
        tableExit = applyTable(optionValue(p, "--table"), run, err);
        if (tableExit == kExitUsage)
            return run.finish(), kExitUsage;
    } else {
        visit.file = [&](const std::string& path, const std::string& root) { return run.processFile(path, root); };
        if (!forEachTarget(p.positionals, visit, err))
            return kExitUsage;
    }

    const BatchOutcome outcome = run.finish();
    if (journalled)
        pruneRuns(journalFolder, keep);
    if (outcome.status == BatchStatus::ColorTempFailed)
        return kExitColorTemp;
    if (outcome.showReport())
        out << consoleText(batchReport(outcome));
    err << "tagmere-cli: " << batchSummary(outcome, dryRun)
        << (visit.skipped > 0 ? ", " + std::to_string(visit.skipped) + " folder(s) skipped" : std::string()) << "\n";
    if (outcome.status == BatchStatus::JournalFailed)
        return kExitJournal;
    return outcome.anyFileFailed() || visit.skipped > 0 || tableExit != kExitOk ? kExitFileFailed : kExitOk;
}

} // namespace tagmere::cli
