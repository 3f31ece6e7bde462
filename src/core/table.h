// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch.h"

#include <cstdio>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The library as a table: one row per file with its keywords (editable) and its check
// result and photometric figures (read-only), written as CSV for spreadsheets or as JSON
// lines for scripts, and read back so each file gets its own row's values.
namespace tagmere {

enum class TableFormat { Csv, Json };

// One file of an export.
struct TableRow {
    std::string folder; // the target folder the file was found below, or the file's own folder
    std::string path;   // relative to `folder`
    std::string identity;
    std::string version;
    long errors = 0;
    long warnings = 0;
    std::string firstError;
    std::vector<std::pair<std::string, std::string>> cells; // keyword, cell; bytes as in the file
    std::vector<std::string> figures;                       // formatted, "" where there is none
    bool unreadable = false;                                // the row says why in firstError
};

// The row of a file read as `bytes` (`read` failed: the row says why, and has no keywords).
TableRow tableRow(const std::string& folder, const std::string& path, std::string_view bytes, const Status& read);

// Writes rows as they come. CSV needs every keyword before the first row, so its rows wait
// in a temporary file (not in memory) until finish().
class TableWriter final {
public:
    TableWriter(TableFormat format, std::ostream& out);
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    Status add(const TableRow& row);
    Status finish();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Single-byte text to UTF-8 and back: each byte is the character of the same number
// (Latin-1), so every byte survives. Back fails for a character above 255 or bad UTF-8.
std::string latin1ToUtf8(std::string_view bytes);
bool utf8ToLatin1(std::string_view text, std::string& bytes);

// A table read back, row by row. Columns are matched by their heading, so a spreadsheet may
// reorder them or drop the read-only ones.
class TableReader final {
public:
    explicit TableReader(std::istream& in);
    ~TableReader();
    TableReader(const TableReader&) = delete;
    TableReader& operator=(const TableReader&) = delete;

    // Reads the headings; fails for a table that is not one of ours or names a bad keyword.
    Status open();
    // The next row: its number (2 for the first under the headings), folder, path, identity
    // and the keyword cells as UTF-8 text. False at the end.
    struct Row {
        long number = 0;
        std::string folder, path, identity;
        std::vector<std::pair<std::string, std::string>> cells;
        bool readOnlyChanged = false; // a read-only cell differs from what was exported
        std::string problem;          // why the row cannot be applied as it stands, or ""
    };
    bool next(Row& row);
    // Why reading stopped before the end (a damaged table), or "".
    const std::string& error() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The edit of one table row for BatchRun::processFile: each keyword cell that differs from
// the file's is written, an empty cell leaves its keyword as it is, "(remove)" removes it. A
// cell holding the file's number in another form ("815" for "0815", as spreadsheets write
// numbers back) leaves it too, and is counted in `numbersKept`. Fails for a cell the file's
// single-byte text cannot hold or with a control character.
FileEdit tableRowEdit(const TableReader::Row& row, long* numbersKept = nullptr);

// What handing a table's rows to a run came to.
struct TableFeed {
    long readOnlyRow = 0; // the first row with a changed read-only cell, or 0
    long numbersKept = 0; // cells holding their file's number written another way
    std::string damage;   // why reading stopped before the end, or ""
    std::string folder;   // the folder of the first row
    bool severalFolders = false;
};

// Hands a started run each row of an opened table: the row's file below its folder with the
// row's own edit; a row whose path leaves its folder or whose file is missing is refused.
// After each row `goOn(rows done)`, when given, says whether to go on.
TableFeed feedTable(TableReader& table, BatchRun& run, const std::function<bool(size_t done)>& goOn = {});

} // namespace tagmere
