// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/settings.h"
#include "core/batch.h"
#include "core/misc.h"
#include "core/undo.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace tagmere::ui {

class PreviewDialog;

// What a run is asked to do: the files, the Miscellaneous panel and the ticked trees
// as they were at the click, and the folder the files were found below.
struct RunRequest {
    std::vector<std::string> targets;
    MiscPanel panel;
    BatchTrees trees;
    std::string root;
};

// What the preview of a table found, for the question and the run that follow it.
struct TablePreview {
    QString table; // the table file
    // The table as previewed: the run refuses one changed since.
    qint64 size = 0;
    QDateTime modified;
    long rows = 0;      // the files its rows name
    long changing = 0;  // files that would change
    std::string folder; // the folder of its rows, or empty when they name several
};

// The question asked before a run writes `files` files: the keyword lines it will write, as
// the run composes them ("[MORE] " lines counted), and the keywords it will remove, so a wrong
// value shows before anything is written. Empty when the run has no edit.
std::string bulkQuestionText(size_t files, const MiscPanel& panel, const BatchTrees& trees);

// What a window run does, in one line for the run journal: the same lines as the question
// ("window: [MANUFAC] ACME; [_MOUNTING] removed"), cut short when very long.
std::string runJournalText(const MiscPanel& panel, const BatchTrees& trees);

// The question before a table's values are written: the table, how many files change, where.
std::string tableQuestionText(const TablePreview& preview);

// The question before `run` is undone: which run, how many files it changed and what it did.
std::string undoQuestionText(const RunSummary& run);

// The report after an undo: the counts, then `notRestored` (one line each, a file left as it
// is and why), the first ones named and the rest counted.
Message undoReport(const UndoOutcome& outcome, const std::vector<std::string>& notRestored);

// Runs the edit for the main window: asks before writing more than one file, keeps the
// windows from taking input while it writes, shows its progress with a Stop button once
// it has taken a while, and previews a run without writing. Every run and undo keeps the
// old texts in the run journal, which keeps as many runs as the settings say.
class BatchRunner final : public QObject {
    Q_OBJECT
public:
    // Messages and dialogs are shown over `window`; `settings` outlives the runner.
    BatchRunner(QWidget* window, const app::Settings& settings);

    // How long a run goes before its progress dialog shows, in milliseconds.
    void setProgressDelay(int milliseconds) { m_progressDelayMs = milliseconds; }

    // Yes, No or Preview before a run over more than one file; true to go ahead.
    bool askBeforeBulkRun(const RunRequest& request);
    // Writes the files; the `held` windows take no input until it ends.
    BatchOutcome run(const RunRequest& request, std::initializer_list<QWidget*> held,
                     const std::function<void(const BatchFileResult&)>& fileDone);
    // Shows what run() would change, through the same run in a mode that writes nothing.
    void preview(const RunRequest& request);
    // Shows what the table's per-file values would change, in the preview. When some file
    // would change and the table is whole, the preview offers to go on, which calls `goOn`.
    void previewTable(const QString& table, const std::function<void(const TablePreview&)>& goOn);
    // Yes or No before the previewed table is written; true to go ahead.
    bool askBeforeTableRun(const TablePreview& preview);
    // Writes the table's values as a run of the window (journalled, reported like one). Returns
    // the report to show, or nothing when nothing was written (a message has said why).
    std::optional<Message> runTable(const TablePreview& preview, std::initializer_list<QWidget*> held,
                                    const std::function<void(const BatchFileResult&)>& fileDone);
    // Asks, then puts back the files of the journal's newest run; the `held` windows take no
    // input until it ends, and `fileDone` hears of each file. Returns the report to show, or
    // nothing when nothing was undone (no run, No, or the undo could not start: a message
    // has said why).
    std::optional<Message> undoLastRun(std::initializer_list<QWidget*> held,
                                       const std::function<void(const UndoFileResult&)>& fileDone);

signals:
    // A run finished `done` of its `total` files.
    void progress(int done, int total);

private:
    // Runs `body` (which does the run with the callbacks and options given) as every run of
    // the window goes: journalled under `journalText`, its progress shown, the windows held.
    using RunBody = std::function<BatchOutcome(const BatchCallbacks&, BatchOptions&)>;
    BatchOutcome runWith(const std::string& journalText, std::initializer_list<QWidget*> held,
                         const std::function<void(const BatchFileResult&)>& fileDone, const RunBody& body);
    // The callbacks of a dry run whose files go to `dialog`.
    BatchCallbacks previewCallbacks(PreviewDialog* dialog);

    QWidget* m_window;
    const app::Settings& m_settings;
    int m_progressDelayMs = 500;
};

} // namespace tagmere::ui
