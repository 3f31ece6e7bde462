// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"
#include "options.h"
#include "pipeline.h"
#include "targets.h"

#include "core/table.h"
#include "files/readfile.h"

#include <filesystem>
#include <fstream>
#include <ostream>

namespace fs = std::filesystem;

namespace tagmere::cli {

namespace {

const char* const kExportHelp =
    "usage: tagmere-cli export [--format=csv|json] [-o FILE] TARGET...\n"
    "\n"
    "Writes the library as a table, one row per file in the order 'find' lists them: its\n"
    "folder (the target folder it was found below, or its own folder) and path below it, an\n"
    "identity of its content, its version and check result (errors, warnings, the first\n"
    "error), one column per keyword any file holds ([TEST], [MANUFAC], ...: the standard\n"
    "keywords first, then the others), then its photometric figures. Edit the keyword cells\n"
    "in a spreadsheet, then apply the table (see 'tagmere-cli apply --help').\n"
    "\n"
    "A cell holds the keyword's value; the text of each [MORE] line below it follows on a\n"
    "line of its own, and a further line of the same keyword as '[KEYWORD] value' on a line\n"
    "of its own. The check result and the figures are read-only.\n"
    "\n"
    "Options:\n"
    "  --format=csv          CSV as spreadsheets read it: UTF-8 with a byte-order mark, CR LF,\n"
    "                        quoted where needed (the default)\n"
    "  --format=json         one JSON object a line, a file each, for scripts\n"
    "  -o, --output FILE     write the table to FILE (made new, then put in place) instead of\n"
    "                        standard output\n"
    "\n"
    "Exit status: 0; 1 when a file or folder could not be read (its row says so) or the table\n"
    "could not be written; 2 on bad arguments.\n";

} // namespace

int runExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Parsed p = parse(args, 1, {"--format", "-o", "--output"}, {});
    if (p.help) {
        out << kExportHelp;
        return kExitOk;
    }
    if (!p.error.empty())
        return usageError(err, p.error, kExportHelp);
    const std::string format = hasOption(p, "--format") ? optionValue(p, "--format") : "csv";
    if (format != "csv" && format != "json")
        return usageError(err, "--format is csv or json", kExportHelp);
    if (p.positionals.empty())
        return usageError(err, "export needs at least one file or folder", kExportHelp);

    // The table goes to a new file beside FILE, which takes FILE's place only when whole.
    const std::string target = hasOption(p, "--output") ? optionValue(p, "--output") : optionValue(p, "-o");
    const fs::path finalPath = target.empty() ? fs::path() : pathOf(target);
    const fs::path partPath = target.empty() ? fs::path() : fs::path(finalPath).concat(".part");
    std::ofstream file;
    if (!target.empty()) {
        file.open(partPath, std::ios::binary | std::ios::trunc);
        if (!file)
            return usageError(err, "cannot write " + partPath.u8string(), kExportHelp);
    }
    std::ostream& sink = target.empty() ? out : file;
    TableWriter writer(format == "json" ? TableFormat::Json : TableFormat::Csv, sink);

    // Rows are made on worker threads, as check does, and written in the order found.
    struct Found {
        std::string path, root;
    };
    long unreadable = 0;
    Status written;
    OrderedPipeline<Found, TableRow> pipeline(
        [](const Found& f) {
            const fs::path whole = fs::absolute(pathOf(f.path)).lexically_normal();
            const fs::path folder =
                f.root.empty() ? whole.parent_path() : fs::absolute(pathOf(f.root)).lexically_normal();
            std::string bytes;
            const Status read = readTextFile(f.path, bytes);
            return tableRow(folder.u8string(), whole.lexically_relative(folder).u8string(), bytes, read);
        },
        [&](const Found&, const TableRow& row) {
            if (row.unreadable)
                ++unreadable;
            if (written.ok)
                written = writer.add(row);
        });
    TargetVisitor visit;
    visit.file = [&](const std::string& path, const std::string& root) {
        pipeline.add({path, root});
        return written.ok;
    };
    visit.beforeMessage = [&] { pipeline.finish(); };
    if (!forEachTarget(p.positionals, visit, err))
        return kExitUsage;
    pipeline.finish();
    if (written.ok)
        written = writer.finish();
    if (!target.empty()) {
        file.close();
        std::error_code ec;
        if (written.ok && !file.fail())
            fs::rename(partPath, finalPath, ec);
        if (!written.ok || file.fail() || ec) {
            fs::remove(partPath, ec);
            err << "tagmere-cli: cannot write " << target << (written.ok ? "" : ": " + written.description) << "\n";
            return kExitFileFailed;
        }
    } else if (!written.ok) {
        err << "tagmere-cli: " << written.description << "\n";
        return kExitFileFailed;
    }
    if (unreadable > 0)
        err << "tagmere-cli: " << unreadable << " file(s) could not be read; their rows say why\n";
    return unreadable > 0 || visit.skipped > 0 ? kExitFileFailed : kExitOk;
}

} // namespace tagmere::cli
