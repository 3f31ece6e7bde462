// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/batch.h"
#include "core/table.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace tagmere::ui {

// The filters of the table dialogs; the format follows the one chosen.
inline constexpr const char* kTableFilters = "CSV table (*.csv);;JSON lines (*.json)";

// JSON lines for a name ending in .json, CSV for one ending in .csv, else as `filter` says.
TableFormat tableFormatFor(const QString& path, const QString& filter);

struct TableExport {
    long rows = 0;
    long unreadable = 0; // rows of files that could not be read (the row says why)
    Status status;       // failed: nothing was put in place of `target`
};

// Writes one row per file of `files` (whole paths found below `root`, in that order), its
// path relative to `root`. The table goes to a new file beside `target` and takes its place
// only when whole and on disk, so a failed export leaves an older table as it was.
TableExport exportTable(const std::string& root, const std::vector<std::string>& files, TableFormat format,
                        const QString& target);

// What the user should know about a fed table besides its files: a changed read-only cell
// (ignored), a damaged table (`applied`: the rows after the damage were not applied, else
// would not be). Lines end in "\r"; empty when there is nothing to say.
std::string tableNotes(const TableFeed& feed, bool applied);

} // namespace tagmere::ui
