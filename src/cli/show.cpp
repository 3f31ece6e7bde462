// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "core/json.h"
#include "options.h"
#include "targets.h"

#include "core/message.h"
#include "files/readfile.h"
#include "format/figures.h"
#include "format/text.h"
#include "search/readback.h"

#include <ostream>

namespace tagmere::cli {

namespace {

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

// show --photometry: the figures of each file, as text lines or one JSON object per file.
int showPhotometry(const std::vector<std::string>& paths, bool json, std::ostream& out, std::ostream& err) {
    bool failed = false;
    for (const std::string& path : paths) {
        std::string bytes;
        const Status read = readTextFile(path, bytes);
        const FiguresResult result = read.ok ? computeFigures(readPhotometry(bytes))
                                             : FiguresResult({finding::kUnreadable, Severity::Error, 1,
                                                              "cannot read the file: " + read.description});
        failed = failed || !result.ok;
        const std::vector<FigureRow> rows = result.ok ? figureRows(result.value) : std::vector<FigureRow>();
        const std::vector<std::string>& notes = result.value.notes;
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

} // namespace

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
    const Status read = msbIESFileRead(p.positionals[0], lines);
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

} // namespace tagmere::cli
