// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/safefile.h"
#include "format/linebuffer.h"
#include "message.h"
#include "misc.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tagmere {

// One node of a keyword tree as the batch run reads it, in node order. A node whose
// text begins with "[" is a keyword node; the value nodes after it belong to it.
struct BatchNode {
    std::string text;
    bool checked = false;
    bool operator==(const BatchNode& o) const { return text == o.text && checked == o.checked; }
};
using BatchTrees = std::array<std::vector<BatchNode>, 3>;

// A keyword line given directly (the command line's --set and --remove), applied
// after the trees and reported like a tree keyword.
struct ExtraEdit {
    std::string keyword; // bracketed keyword text
    std::string line;    // the whole new line; unused when remove
    bool remove = false;
};

// What one file of the run came to. `before` is the file as read, `after` what is
// (or, in a dry run, would be) written.
struct BatchFileResult {
    std::string path;
    std::string before;
    std::string after;
    bool readFailed = false;
    bool writeFailed = false;
    bool refused = false; // left as it is on purpose; `reason` says why
    std::string reason;
    bool changes() const { return !readFailed && !refused && after != before; }
};

// Edits of one file besides the run's own, such as a table's row: made only while the
// file's content is still `identity` (contentIdentity of its bytes). `apply` edits the lines
// and tells each keyword it wrote or removed, or says why the file must be left as it is.
struct FileEdit {
    std::string identity;
    std::function<Status(FileLines& lines, const std::function<void(const std::string& keyword, bool removed)>& told)>
        apply;
};

struct BatchCallbacks {
    // A message for the user (read/write failures, refusals, check failures).
    std::function<void(const Message&)> message;
    // Called after each target file; return false to stop after that file.
    std::function<bool(size_t done, size_t total)> progress;
    // Called for each target file once its fate is known: at once for files that are not
    // written, after the flush and rename for those that are.
    std::function<void(const BatchFileResult&)> fileDone;
    // Where to keep a copy of a file before it is first changed: a path relative to
    // BatchOptions::backupFolder (one that climbs out of it is refused), or empty for none.
    std::function<std::string(const std::string& path, const std::string& root)> backupPath;
    // Another run holds a folder this run must wait for.
    std::function<void(const std::string& folder)> waiting;
};

struct BatchOptions {
    bool dryRun = false; // compute everything, write nothing
    // Where the old text of every file replaced is kept first, so the run can be undone;
    // null for none (a dry run never opens it). start() opens it: a journal that cannot
    // be written stops the run before anything is replaced.
    RunJournal* journal = nullptr;
    std::string root;         // runBatch: the folder the targets were found in (empty: each file's own)
    std::string backupFolder; // the folder backups go below (see BatchCallbacks::backupPath)
};

// JournalFailed: the run journal could not be written, so the run stopped; what was
// written before stays written, and in the journal.
enum class BatchStatus { Completed, Cancelled, AdvanceCheckFailed, ColorTempFailed, JournalFailed };

struct BatchOutcome {
    BatchStatus status = BatchStatus::Completed;
    long fileCount = 0;               // target files met, whether or not they could be read or written
    std::vector<std::string> entries; // report entries in order
    long written = 0;                 // (in a dry run: would be written)
    long unchanged = 0;
    long refused = 0;
    long failed = 0; // could not be read or written
    bool anyFileFailed() const { return refused > 0 || failed > 0; }
    bool showReport() const {
        return (status == BatchStatus::Completed || status == BatchStatus::Cancelled ||
                status == BatchStatus::JournalFailed) &&
               fileCount > 0;
    }
};

// The report message: header, empty line, one entry per line (lines end in "\r").
Message batchReport(const BatchOutcome& outcome);

// A keyword a run has met: first met order is the report order; has-a-value, once set, is
// never reset, so a later file of the run writes a keyword that an earlier tree gave a value.
struct RunKeyword {
    std::string text;
    bool hasValue = false;
};

// What the ticked trees do to one file, in the order the run does it: each ticked keyword
// node gives its keyword line (with "[MORE]" lines), or its removal while no tree has given
// the keyword a ticked value yet. `met` carries the run's keywords from file to file.
struct TreeEdit {
    std::string keyword;
    std::string line;
    std::vector<std::string> more; // element 0 empty
    bool remove = false;
};
std::vector<TreeEdit> treeEdits(const BatchTrees& trees, std::vector<RunKeyword>& met);

// The values of one ticked keyword node as a keyword line and "[MORE] " lines
// (element 0 of `more` left empty). Values go to continuation lines once the
// keyword text and the values collected reach past 250 characters.
void composeKeywordLine(const std::string& keyword, const std::vector<std::string>& values, std::string& line,
                        std::vector<std::string>& more);

// A one-line summary of what the run did to the files.
std::string batchSummary(const BatchOutcome& outcome, bool dryRun);

// Why an edit cannot be applied (a bad keyword, a value that would break the file's
// lines), or nothing.
Status editProblem(const MiscPanel& panel, const BatchTrees& trees, const std::vector<ExtraEdit>& extras);

// One batch run, file by file, for callers that find their targets as they go (the
// command line streams a folder search into it, so memory does not grow with the
// number of files). start() runs the advance check; processFile() reads, edits and
// stages one file and returns false once the run has stopped (the colour temperature
// failed: the current file is not written); finish() writes what is staged and gives
// the outcome with the report.
class BatchRun final {
public:
    BatchRun(MiscPanel panel, BatchTrees trees, std::vector<ExtraEdit> extras, BatchCallbacks callbacks,
             BatchOptions options);
    ~BatchRun();
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    bool start();
    // `root` is the folder being searched that the file was found in, or empty for a
    // file named on its own; no write leaves it.
    bool processFile(const std::string& path, const std::string& root = {}, const FileEdit* edit = nullptr);
    // A file left as it is before it was read (a table row naming no file the run may
    // touch): counted and reported as refused.
    void refuseFile(const std::string& path, const std::string& reason);
    // The user stopped the run after the current file.
    void cancel();
    bool stopped() const;
    BatchOutcome finish();

private:
    void done(const BatchFileResult& result);
    void refuse(BatchFileResult& result, const std::string& reason);

    const MiscPanel m_panel;
    const BatchTrees m_trees;
    const std::vector<ExtraEdit> m_extras;
    const BatchCallbacks m_callbacks;
    const BatchOptions m_options;
    const std::vector<KeywordEdit> m_miscEdits;
    std::vector<std::string> m_miscReported;
    std::vector<RunKeyword> m_runKeywords;
    BatchOutcome m_outcome;
    EditTarget m_lastTarget; // lends its open folder to the next file in the same folder
    // Last, so it goes first: a run dropped before finish() discards what it staged, and
    // nothing reports into the members above once they are gone.
    FileReplacer m_replacer;
};

// Applies the panel, the ticked tree keywords and the extra edits to every target
// file in order: read, edit, write back. The advance check runs first; a failing
// colour temperature stops the run at once with the current file unwritten. A file
// that cannot be read completely is never written.
BatchOutcome runBatch(const std::vector<std::string>& targets, const MiscPanel& panel, const BatchTrees& trees,
                      const std::vector<ExtraEdit>& extras, const BatchCallbacks& callbacks,
                      const BatchOptions& options = {});

} // namespace tagmere
