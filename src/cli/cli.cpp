// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"

#include "core/batch.h"
#include "core/version.h"
#include "files/platform.h"
#include "files/readfile.h"
#include "files/safefile.h"
#include "format/diff.h"
#include "format/figures.h"
#include "format/headercheck.h"
#include "format/linebuffer.h"
#include "format/text.h"
#include "keywords/keywordlist.h"
#include "keywords/keywordtree.h"
#include "search/filesearch.h"
#include "search/readback.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <ostream>
#include <set>

namespace fs = std::filesystem;

namespace tagmere::cli {

namespace {

const char* const kUsage = "usage: tagmere-cli [--help] [--version] COMMAND [ARGS]\n"
                           "\n"
                           "Commands:\n"
                           "  find DIR                    list the photometric files (*.ies) below DIR\n"
                           "  show FILE [--list LIST]     show the keywords FILE holds (--photometry: its figures)\n"
                           "  apply [OPTIONS] TARGET...   add, replace or remove keyword lines in files\n"
                           "  check [--quiet] TARGET...   report files that lack or misuse header keywords\n"
                           "\n"
                           "Run 'tagmere-cli COMMAND --help' for a command's options.\n";

const char* const kFindHelp = "usage: tagmere-cli find DIR\n"
                              "\n"
                              "Prints the full path of every photometric file (name ending in .ies, any case)\n"
                              "below DIR, one per line, in the order the window lists them: the files of a\n"
                              "folder's subfolders (last name first) before its own files, names sorted without\n"
                              "regard to case. Hidden files and folders (name starting with '.') are skipped.\n"
                              "A folder below DIR that cannot be read is named on standard error.\n"
                              "Exit status: 0; 1 when a folder below DIR could not be read or the output\n"
                              "could not be written; 2 when DIR is missing or cannot be read.\n";

const char* const kShowHelp =
    "usage: tagmere-cli show FILE [--list LIST]\n"
    "       tagmere-cli show --photometry [--format=text|json] FILE...\n"
    "\n"
    "Reads FILE and prints what it holds for the Miscellaneous keywords, one line\n"
    "'KEYWORD<TAB>VALUE' each, in the order [MANUFAC], [_SEARCH_SOURCETYPE],\n"
    "[_SEARCH_SP_RATIO], [_SEARCH_CRI], [_SEARCH_COLORTEMP]. With --list, the\n"
    "keyword list file LIST is shown as three trees and every node the file ticks is\n"
    "printed as 'TREE<TAB>NODE<TAB>TEXT' (trees 0..2, nodes numbered from 1).\n"
    "\n"
    "With --photometry, prints the figures of each file's photometric data instead, one\n"
    "line 'NAME<TAB>VALUE<TAB>UNIT' each, after a line 'file<TAB>PATH<TAB>': photometric-type,\n"
    "candela-multiplier, ballast-factor (reported, not applied), max-intensity and its\n"
    "direction max-intensity-horizontal and -vertical, flux, beam-angle-c0-c180,\n"
    "beam-angle-c90-c270, field-angle-c0-c180, field-angle-c90-c270, efficacy,\n"
    "efficiency (relative photometry only), opening-shape, opening-width, -length and\n"
    "-height (metres). A figure that does not apply has an empty VALUE, and a line\n"
    "'note<TAB>TEXT<TAB>' says why; beam and field angles apply to type C files only.\n"
    "A file whose data cannot be read gets a line 'problem<TAB>LINE: CODE: TEXT<TAB>'.\n"
    "--format=json prints one JSON object per file and line: {\"path\", \"figures\":\n"
    "{NAME: VALUE or null}, \"units\": {NAME: UNIT}, \"notes\": [TEXT], \"problem\": null or\n"
    "{\"code\", \"line\", \"text\"}}.\n"
    "\n"
    "Exit status: 0, 1 when FILE cannot be read (with --photometry: when a file cannot be\n"
    "read or has no figures; the others are still shown), 2 on bad arguments or list.\n";

const char* const kApplyHelp =
    "usage: tagmere-cli apply [OPTIONS] TARGET...\n"
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
    "when the colour temperature fails its check (the run stops).\n";

const char* const kCheckHelp =
    "usage: tagmere-cli check [--quiet] [--format=text|json] TARGET...\n"
    "\n"
    "Checks every target by the rules of the version its first line names: the header\n"
    "(the lines before TILT=) and the photometric data after it. A first line of free text\n"
    "with a TILT= line below makes an LM-63-1986 file, whose header is not checked. A file\n"
    "is taken as given, a folder is searched like 'find'. Findings come in line order.\n"
    "\n"
    "--format=text (the default) prints one line per finding, 'PATH:LINE: CODE severity:\n"
    "text', then a summary. --format=json prints one JSON object per file and line:\n"
    "{\"path\", \"version\" (null when unknown), \"findings\": [{\"code\", \"severity\", \"line\",\n"
    "\"text\"}]}, bytes above 0x7F as \\u00XX; the summary then goes to standard error.\n"
    "--quiet prints the summary only.\n"
    "\n"
    "Errors:   unreadable, no-tilt, version-unknown, missing-keyword, data-not-number,\n"
    "          data-truncated, lumens, multiplier, photometric-type, units-type, data-count,\n"
    "          angles-order, candela-negative, angles-range (type C)\n"
    "Warnings: version-blanks, keyword-indent, keyword-case, other-version, unknown-keyword,\n"
    "          orphan-more, block-unbalanced, line-too-long, line-ends, non-ascii, tilt-file,\n"
    "          angles-range (types A and B), data-extra\n"
    "\n"
    "Exit status: 0 when no file has an error, 1 when one has, 2 on bad arguments.\n";

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
             const std::set<std::string>& flags, const std::set<std::string>& flagsWithValue = {}) {
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

int usageError(std::ostream& err, const std::string& why, const char* usage) {
    err << "tagmere-cli: " << why << "\n" << usage;
    return kExitUsage;
}

// Names are UTF-8 throughout; a path made from a plain std::string would go through the
// system's narrow code page on Windows, and .string() back through it.
fs::path pathOf(const std::string& name) {
    return fs::u8path(name);
}

bool isFolder(const std::string& name) {
    std::error_code ec;
    return fs::is_directory(pathOf(name), ec);
}

// A folder we can list, or the reason we cannot.
std::string folderProblem(const std::string& dir) {
    std::error_code ec;
    if (!fs::exists(pathOf(dir), ec))
        return "no such folder: " + dir;
    if (!isFolder(dir))
        return "not a folder: " + dir;
    if (!platform::canListFolder(dir))
        return "cannot read folder: " + dir;
    return {};
}

// Visits targets in order: a file as given, a folder's files as the search finds them.
// Nothing is collected, so memory does not grow with the number of files.
struct TargetVisitor {
    // A file and the folder target it was found below ("" for a file given directly);
    // returning false stops the visit.
    std::function<bool(const std::string& path, const std::string& root)> file;
    // Called as the search enters each folder.
    std::function<void(const std::string& folder)> folder;
    // Folders below a target that could not be read: their files were not visited.
    long skipped = 0;
};

// Every folder target is checked before any file is visited; false (with a message)
// when one cannot be read.
bool forEachTarget(const std::vector<std::string>& given, TargetVisitor& visit, std::ostream& err) {
    for (const auto& target : given) {
        if (isFolder(target)) {
            if (const std::string problem = folderProblem(target); !problem.empty()) {
                err << "tagmere-cli: " << problem << "\n";
                return false;
            }
        }
    }
    bool stop = false;
    for (const auto& target : given) {
        if (!isFolder(target)) {
            stop = !visit.file(target, {});
        } else {
            FileSearch search;
            search.keepFound = false;
            FoundFilesList unused;
            SearchCallbacks callbacks;
            callbacks.fileFound = [&](const FoundFileItem& item, int) {
                // Shown and used as the system's users write paths.
                if (!stop)
                    stop = !visit.file(platform::displayPath(item.fullPath()), target);
            };
            callbacks.stopRequested = [&](const std::string& folder) {
                if (!stop && visit.folder)
                    visit.folder(folder);
                return stop;
            };
            callbacks.folderSkipped = [&](const std::string& folder, const std::string& why) {
                err << "tagmere-cli: cannot read folder " << platform::displayPath(folder) << ": " << why
                    << "; its files were skipped\n";
                ++visit.skipped;
            };
            search.runSearch(kDefaultFilePattern, target, unused, callbacks);
        }
        if (stop)
            break;
    }
    return true;
}

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

// Loads a keyword list file into trees with its remembered selection ticked.
bool loadTrees(const std::string& listPath, KeywordTrees& trees, std::ostream& err) {
    KeywordList list;
    const ListLoadResult loaded = readKeywordFile(listPath, list);
    if (!loaded.ok) {
        err << "tagmere-cli: " << consoleText(loaded.message) << "\n";
        return false;
    }
    if (loaded.warning)
        err << "tagmere-cli: " << consoleText(*loaded.warning) << "\n";
    trees.msbDisplayKeywords(list, SelectColors{}, false);
    return true;
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

std::string jsonString(std::string_view bytes);

// show --photometry: the figures of each file, as text lines or one JSON object per file.
int showPhotometry(const std::vector<std::string>& paths, bool json, std::ostream& out, std::ostream& err) {
    bool failed = false;
    for (const std::string& path : paths) {
        std::string bytes;
        const FileStatus read = readTextFile(path, bytes);
        FiguresResult result;
        if (read.ok)
            result = computeFigures(readPhotometry(bytes));
        else
            result.problem = {finding::kUnreadable, Severity::Error, 1, "cannot read the file: " + read.description};
        failed = failed || !result.ok;
        const std::vector<FigureRow> rows = result.ok ? figureRows(result.figures) : std::vector<FigureRow>();
        const std::vector<std::string>& notes = result.figures.notes;
        if (!json) {
            out << "file\t" << path << "\t\n";
            if (!result.ok)
                out << "problem\t" << result.problem.line << ": " << result.problem.code << ": " << result.problem.text
                    << "\t\n";
            for (const FigureRow& row : rows)
                out << row.name << "\t" << row.value << "\t" << row.unit << "\n";
            for (const std::string& note : notes)
                out << "note\t" << note << "\t\n";
            continue;
        }
        out << "{\"path\":" << jsonString(path) << ",\"figures\":";
        if (result.ok) {
            std::string units;
            out << "{";
            for (size_t i = 0; i < rows.size(); ++i) {
                const FigureRow& row = rows[i];
                const bool number =
                    !row.value.empty() && row.value.find_first_not_of("-.0123456789e+") == std::string::npos;
                out << (i ? "," : "") << jsonString(row.name) << ":"
                    << (row.value.empty() ? std::string("null")
                        : number          ? row.value
                                          : jsonString(row.value));
                if (!row.unit.empty())
                    units += (units.empty() ? "" : ",") + jsonString(row.name) + ":" + jsonString(row.unit);
            }
            out << "},\"units\":{" << units << "}";
        } else {
            out << "null,\"units\":null";
        }
        out << ",\"notes\":[";
        for (size_t i = 0; i < notes.size(); ++i)
            out << (i ? "," : "") << jsonString(notes[i]);
        out << "],\"problem\":";
        if (result.ok)
            out << "null";
        else
            out << "{\"code\":" << jsonString(result.problem.code) << ",\"line\":" << result.problem.line
                << ",\"text\":" << jsonString(result.problem.text) << "}";
        out << "}\n";
    }
    if (failed)
        err << "tagmere-cli: not every file has photometric figures\n";
    return failed ? kExitFileFailed : kExitOk;
}

int runShow(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Parsed p = parse(args, 1, {"--list", "--format"}, {"--photometry"});
    if (p.help) {
        out << kShowHelp;
        return kExitOk;
    }
    if (!p.error.empty())
        return usageError(err, p.error, kShowHelp);
    if (!p.flags.empty()) {
        const std::string format = hasOption(p, "--format") ? optionValue(p, "--format") : "text";
        if (format != "text" && format != "json")
            return usageError(err, "unknown format " + format + " (text or json)", kShowHelp);
        if (hasOption(p, "--list"))
            return usageError(err, "--photometry takes no --list", kShowHelp);
        if (p.positionals.empty())
            return usageError(err, "show --photometry takes one or more files", kShowHelp);
        return showPhotometry(p.positionals, format == "json", out, err);
    }
    if (hasOption(p, "--format"))
        return usageError(err, "--format goes with --photometry", kShowHelp);
    if (p.positionals.size() != 1)
        return usageError(err, "show takes one file", kShowHelp);

    KeywordTrees trees;
    const bool withList = hasOption(p, "--list");
    if (withList && !loadTrees(optionValue(p, "--list"), trees, err))
        return kExitUsage;

    FileLines lines;
    const FileStatus read = msbIESFileRead(p.positionals[0], lines);
    if (!read.ok) {
        err << "tagmere-cli: Unable to read file: " << read.description << "\n";
        return kExitFileFailed;
    }
    const TreeNodeTexts texts = trees.nodeTexts();
    const KeywordReadBack back = readBackKeywords(lines, texts);
    const std::pair<const char*, const PanelValue*> rows[] = {{kManufac, &back.manufac},
                                                              {kSearchSourceType, &back.sourceType},
                                                              {kSearchSpRatio, &back.spRatio},
                                                              {kSearchCri, &back.cri},
                                                              {kSearchColorTemp, &back.colorTemp}};
    for (const auto& [keyword, value] : rows) {
        if (value->found)
            out << keyword << "\t" << value->value << "\n";
    }
    if (withList) {
        for (const NodeRef& mark : back.marks)
            out << mark.tree << "\t" << mark.node << "\t" << texts[static_cast<size_t>(mark.tree)][mark.node - 1]
                << "\n";
    }
    return kExitOk;
}

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

int runApply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Parsed p = parse(args, 1,
                           {"--manufac", "--source-type", "--sp-ratio", "--cri", "--color-temp", "--list", "--set",
                            "--remove", "--backup"},
                           {"--dry-run"}, {"--dry-run"});
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
    if (p.positionals.empty())
        return usageError(err, "apply needs at least one file or folder", kApplyHelp);
    if (!panel.chkManufac && !panel.chkSearchSource && !panel.chkSearchSPRatio && !panel.chkSearchCRI &&
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

    BatchOptions options;
    options.dryRun = dryRun;
    options.backupFolder = backupFolder;
    BatchRun run(panel, batchTrees, extras, callbacks, options);
    // The checks come before any folder is searched, so a bad value touches nothing.
    if (!run.start())
        return kExitUsage;

    TargetVisitor visit;
    visit.file = [&](const std::string& path, const std::string& root) { return run.processFile(path, root); };
    if (!forEachTarget(p.positionals, visit, err))
        return kExitUsage;

    const BatchOutcome outcome = run.finish();
    if (outcome.status == BatchStatus::ColorTempFailed)
        return kExitColorTemp;
    if (outcome.showReport())
        out << consoleText(batchReport(outcome));
    err << "tagmere-cli: " << batchSummary(outcome, dryRun)
        << (visit.skipped > 0 ? ", " + std::to_string(visit.skipped) + " folder(s) skipped" : std::string()) << "\n";
    return outcome.anyFileFailed() || visit.skipped > 0 ? kExitFileFailed : kExitOk;
}

// Bytes as a JSON string: control bytes escaped, bytes above 0x7F taken as Latin-1, so the
// output is valid JSON whatever the file names and texts hold.
std::string jsonString(std::string_view bytes) {
    static const char* hex = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20 || u >= 0x7F) {
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out + '"';
}

int runCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Parsed p = parse(args, 1, {"--format"}, {"--quiet"});
    if (p.help) {
        out << kCheckHelp;
        return kExitOk;
    }
    if (!p.error.empty())
        return usageError(err, p.error, kCheckHelp);
    const std::string format = hasOption(p, "--format") ? optionValue(p, "--format") : "text";
    if (format != "text" && format != "json")
        return usageError(err, "unknown format " + format + " (text or json)", kCheckHelp);
    const bool json = format == "json";
    const bool quiet = !p.flags.empty();
    long checked = 0;
    long withErrors = 0;
    TargetVisitor visit;
    visit.file = [&](const std::string& path, const std::string&) {
        ++checked;
        const FileCheck check = checkHeaderFile(path);
        if (hasError(check.findings))
            ++withErrors;
        if (quiet)
            return true;
        if (json) {
            out << "{\"path\":" << jsonString(path)
                << ",\"version\":" << (check.version.empty() ? std::string("null") : jsonString(check.version))
                << ",\"findings\":[";
            for (size_t i = 0; i < check.findings.size(); ++i) {
                const HeaderFinding& f = check.findings[i];
                out << (i ? "," : "") << "{\"code\":" << jsonString(f.code) << ",\"severity\":\""
                    << severityText(f.severity) << "\",\"line\":" << f.line << ",\"text\":" << jsonString(f.text)
                    << "}";
            }
            out << "]}\n";
        } else {
            for (const auto& f : check.findings)
                out << path << ":" << f.line << ": " << f.code << " " << severityText(f.severity) << ": " << f.text
                    << "\n";
        }
        return true;
    };
    if (!forEachTarget(p.positionals, visit, err))
        return kExitUsage;
    (json ? err : out) << checked << " file(s) checked, " << withErrors << " with errors\n";
    return withErrors > 0 || visit.skipped > 0 ? kExitFileFailed : kExitOk;
}

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
    return usageError(err, command[0] == '-' ? "unknown option " + command : "unknown command " + command, kUsage);
}

} // namespace tagmere::cli
