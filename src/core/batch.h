#pragma once

#include "linebuffer.h"
#include "message.h"
#include "misc.h"
#include "safefile.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace tagmere {

// One node of a keyword tree as the batch run reads it, in node order. A node whose
// text begins with "[" is a keyword node; the value nodes after it belong to it.
struct BatchNode {
    std::string text;
    bool checked = false;
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
};

struct BatchCallbacks {
    // A message for the user (read/write failures, check failures).
    std::function<void(const Message&)> message;
    // Called after each target file; return false to stop after that file.
    std::function<bool(size_t done, size_t total)> progress;
    // Called for each target file once its new text is known.
    std::function<void(const BatchFileResult&)> fileDone;
    // Called once before a file is first replaced; a failure keeps the file unchanged.
    std::function<FileStatus(const std::string& path)> beforeWrite;
};

struct BatchOptions {
    bool dryRun = false; // compute everything, write nothing
    Durability durability = Durability::Deferred;
};

enum class BatchStatus { Completed, Cancelled, AdvanceCheckFailed, ColorTempFailed };

struct BatchOutcome {
    BatchStatus status = BatchStatus::Completed;
    long fileCount = 0;               // target files met, whether or not they could be read or written
    std::vector<std::string> entries; // report entries in order
    bool anyFileFailed = false;       // a file could not be read or written
    bool showReport() const {
        return (status == BatchStatus::Completed || status == BatchStatus::Cancelled) && fileCount > 0;
    }
};

// The report message: header, empty line, one entry per line (lines end in "\r").
Message batchReport(const BatchOutcome& outcome);

// The values of one ticked keyword node as a keyword line and "[MORE] " lines
// (element 0 of `more` left empty). Values go to continuation lines once the
// keyword text and the values collected reach past 250 characters.
void composeKeywordLine(const std::string& keyword, const std::vector<std::string>& values, std::string& line,
                        std::vector<std::string>& more);

// One batch run, file by file, for callers that find their targets as they go (the
// command line streams a folder search into it, so memory does not grow with the
// number of files). start() runs the advance check; processFile() reads, edits and
// writes one file and returns false once the run has stopped (the colour temperature
// failed: the current file is not written); finish() gives the outcome with the report.
class BatchRun final {
public:
    BatchRun(const MiscPanel& panel, const BatchTrees& trees, const std::vector<ExtraEdit>& extras,
             const BatchCallbacks& callbacks, const BatchOptions& options);
    ~BatchRun();
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    bool start();
    bool processFile(const std::string& path);
    // The user stopped the run after the current file.
    void cancel();
    bool stopped() const;
    BatchOutcome finish();

    // A run keyword: first met order is the report order; has-a-value is never reset.
    struct RunKeyword {
        std::string text;
        bool hasValue = false;
    };

private:
    void write(BatchFileResult& result);

    const MiscPanel& m_panel;
    const BatchTrees& m_trees;
    const std::vector<ExtraEdit>& m_extras;
    const BatchCallbacks& m_callbacks;
    const BatchOptions m_options;
    const std::vector<KeywordEdit> m_miscEdits;
    std::vector<std::string> m_miscReported;
    std::vector<RunKeyword> m_runKeywords;
    DeferredSync m_pendingSync;
    BatchOutcome m_outcome;
};

// Applies the panel, the ticked tree keywords and the extra edits to every target
// file in order: read, edit, write back. The advance check runs first; a failing
// colour temperature stops the run at once with the current file unwritten. A file
// that cannot be read completely is never written.
BatchOutcome runBatch(const std::vector<std::string>& targets, const MiscPanel& panel, const BatchTrees& trees,
                      const std::vector<ExtraEdit>& extras, const BatchCallbacks& callbacks,
                      const BatchOptions& options = {});

} // namespace tagmere
