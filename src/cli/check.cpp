// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "core/json.h"
#include "options.h"
#include "pipeline.h"
#include "targets.h"

#include "files/readfile.h"

#include <algorithm>
#include <functional>
#include <ostream>
#include <vector>

namespace tagmere::cli {

namespace {

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

} // namespace

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
    const auto report = [&](const std::string& path, const FileCheck& check) {
        ++checked;
        if (hasError(check.findings))
            ++withErrors;
        if (quiet)
            return;
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
    };
    OrderedPipeline<std::string, FileCheck> pipeline([](const std::string& path) { return checkHeaderFile(path); },
                                                     report);
    TargetVisitor visit;
    visit.file = [&](const std::string& path, const std::string&) {
        pipeline.add(path);
        return true;
    };
    // A message about a folder comes after the files found before it, as it did unhurried.
    visit.beforeMessage = [&] { pipeline.finish(); };
    if (!forEachTarget(p.positionals, visit, err))
        return kExitUsage;
    pipeline.finish();
    (json ? err : out) << checked << " file(s) checked, " << withErrors << " with errors\n";
    return withErrors > 0 || visit.skipped > 0 ? kExitFileFailed : kExitOk;
}

} // namespace tagmere::cli
