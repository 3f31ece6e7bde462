// SPDX-License-Identifier: GPL-3.0-or-later
#include "batchrunner.h"

#include "messageboxes.h"
#include "previewdialog.h"
#include "tablefile.h"

#include "app/addkeywords.h"
#include "files/journal.h"
#include "format/text.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QWidget>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <memory>
#include <system_error>

namespace tagmere::ui {

namespace {

// How often a running run shows how far it is and takes the user's input.
constexpr qint64 kRepaintMs = 50;

// Drops the user's clicks and keys aimed at the given windows, and refuses their closing,
// while it lives: a run that yields to repaint the windows must not take their input, nor
// queue it to run after it. Dialogs and message boxes shown meanwhile take input as usual.
class InputHold final : public QObject {
public:
    explicit InputHold(std::initializer_list<QWidget*> windows) {
        for (QWidget* window : windows) {
            if (window)
                m_windows.push_back(window);
        }
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputHold() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Close:
            break;
        default:
            return false;
        }
        const auto* widget = qobject_cast<const QWidget*>(watched);
        if (!widget || std::find(m_windows.begin(), m_windows.end(), widget->window()) == m_windows.end())
            return false;
        event->ignore();
        return true;
    }

private:
    std::vector<const QWidget*> m_windows;
};

// What a run does to one keyword, composed as the run composes it: the panel's edits first,
// then the trees', the last one of a keyword winning.
struct KeywordOutcome {
    std::string keyword;
    std::string line;
    size_t moreLines = 0;
    bool removed = false;
};

std::vector<KeywordOutcome> keywordOutcomes(const MiscPanel& panel, const BatchTrees& trees) {
    std::vector<KeywordOutcome> outcomes;
    const auto outcomeOf = [&outcomes](const std::string& keyword) -> KeywordOutcome& {
        const auto it = std::find_if(outcomes.begin(), outcomes.end(),
                                     [&](const KeywordOutcome& o) { return o.keyword == keyword; });
        return it != outcomes.end() ? *it : outcomes.emplace_back(KeywordOutcome{keyword, {}, 0, false});
    };
    for (const KeywordEdit& edit : composeMisc(panel))
        outcomeOf(edit.keyword) = KeywordOutcome{edit.keyword, edit.line, 0, false};
    std::vector<RunKeyword> met; // as for the run's first file
    for (TreeEdit& edit : treeEdits(trees, met))
        outcomeOf(edit.keyword) = KeywordOutcome{edit.keyword, std::move(edit.line), edit.more.size() - 1, edit.remove};
    return outcomes;
}

std::string moreLinesText(size_t lines) {
    return "... (+" + std::to_string(lines) + " [MORE] line(s))";
}

// A run's description is one line of the journal's list and of the undo question: a run that
// ticks the whole list must not fill the screen.
constexpr size_t kRunJournalTextLimit = 300;
// Files the undo report names one by one; the rest are counted.
constexpr size_t kUndoFilesNamed = 20;

} // namespace

std::string bulkQuestionText(size_t files, const MiscPanel& panel, const BatchTrees& trees) {
    const std::vector<KeywordOutcome> outcomes = keywordOutcomes(panel, trees);
    if (outcomes.empty())
        return {};
    std::string written, removed;
    for (const KeywordOutcome& o : outcomes) {
        if (o.removed) {
            removed += o.keyword + " removed\r";
            continue;
        }
        written += o.line + "\r";
        if (o.moreLines > 0)
            written += moreLinesText(o.moreLines) + "\r";
    }
    std::string text = "This run will edit (" + std::to_string(files) + ") file(s).\r";
    if (!written.empty())
        text += "\rThe following Keyword(s) will be added or replaced:\r" + written;
    if (!removed.empty())
        text += "\rThe following Keyword(s) will be removed:\r" + removed;
    text += "\rUndo Last Run can take the run back. Write the files now? (Preview shows the changes and writes "
            "nothing.)";
    return text;
}

std::string runJournalText(const MiscPanel& panel, const BatchTrees& trees) {
    std::string text;
    for (const KeywordOutcome& o : keywordOutcomes(panel, trees)) {
        text += text.empty() ? " " : "; ";
        text += o.removed ? o.keyword + " removed" : o.line;
        if (!o.removed && o.moreLines > 0)
            text += " " + moreLinesText(o.moreLines);
    }
    if (text.empty())
        text = " no keyword edit"; // such a run still writes CR LF line ends
    if (text.size() > kRunJournalTextLimit)
        text = text.substr(0, kRunJournalTextLimit) + "...";
    return "window:" + text;
}

std::string tableQuestionText(const TablePreview& preview) {
    const std::string where = preview.folder.empty() ? std::string() : " below " + preview.folder;
    return "This run will apply per-file values from the table " + app::shownPath(preview.table) + " to (" +
           std::to_string(preview.changing) + ") file(s)" + where +
           ": in each, the keyword cells that differ from what the file holds, as the preview showed.\r\r"
           "Undo Last Run can take the run back. Write the files now?";
}

std::string undoQuestionText(const RunSummary& run) {
    return "Undo run " + std::to_string(run.number) + " of " + run.time + "?\r\rIt restores the (" +
           std::to_string(run.files) + ") file(s) it changed to what they were before:\r" + run.what +
           "\r\rA file changed since the run is left as it is.";
}

Message undoReport(const UndoOutcome& outcome, const std::vector<std::string>& notRestored) {
    std::string text = "Run " + std::to_string(outcome.run.number) + " of " + outcome.run.time + " was undone:\r\r" +
                       undoSummary(outcome, false) + "\r";
    if (outcome.journalFailed)
        text += "\rThe undo stopped: its own run journal could not be written.\r";
    if (!notRestored.empty()) {
        text += "\r";
        for (size_t i = 0; i < notRestored.size() && i < kUndoFilesNamed; ++i)
            text += notRestored[i] + "\r";
        if (notRestored.size() > kUndoFilesNamed)
            text += "and " + std::to_string(notRestored.size() - kUndoFilesNamed) + " more\r";
    }
    return outcome.anyProblem() || outcome.journalFailed ? warningMessage(text) : plainMessage(text);
}

BatchRunner::BatchRunner(QWidget* window, const app::Settings& settings)
    : QObject(window), m_window(window), m_settings(settings) {}

bool BatchRunner::askBeforeBulkRun(const RunRequest& request) {
    // Values the run would refuse are reported by the run itself, before any question.
    if (!advanceCheck(request.panel).ok || !editProblem(request.panel, request.trees, {}).ok)
        return true;
    const std::string text = bulkQuestionText(request.targets.size(), request.panel, request.trees);
    if (text.empty())
        return true; // nothing to write
    const QMessageBox::StandardButton answer = MessageBoxes::askWithPreview(m_window, question(text));
    if (answer == MessageBoxes::Preview)
        preview(request);
    return answer == QMessageBox::Yes;
}

BatchOutcome BatchRunner::run(const RunRequest& request, std::initializer_list<QWidget*> held,
                              const std::function<void(const BatchFileResult&)>& fileDone) {
    return runWith(runJournalText(request.panel, request.trees), held, fileDone,
                   [&request](const BatchCallbacks& callbacks, BatchOptions& options) {
                       options.root = request.root;
                       return runBatch(request.targets, request.panel, request.trees, {}, callbacks, options);
                   });
}

BatchOutcome BatchRunner::runWith(const std::string& journalText, std::initializer_list<QWidget*> held,
                                  const std::function<void(const BatchFileResult&)>& fileDone, const RunBody& body) {
    // The windows keep repainting during a long run, but take no input until it ends.
    std::optional<InputHold> hold;
    hold.emplace(held);
    std::unique_ptr<QProgressDialog> dialog;
    bool stopAsked = false;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer sinceShown;
    sinceShown.start();
    bool shownOnce = false;

    BatchCallbacks callbacks;
    callbacks.message = [this](const Message& message) {
        QGuiApplication::restoreOverrideCursor();
        MessageBoxes::show(m_window, message);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    };
    callbacks.fileDone = fileDone;
    callbacks.progress = [&](size_t done, size_t all) {
        const int doneCount = static_cast<int>(done);
        const int allCount = static_cast<int>(all);
        if (!dialog && done < all && clock.elapsed() >= m_progressDelayMs) {
            dialog = std::make_unique<QProgressDialog>(m_window);
            dialog->setWindowTitle(QLatin1String(app::kAppTitle));
            dialog->setWindowModality(Qt::ApplicationModal);
            dialog->setCancelButtonText(QStringLiteral("Stop"));
            dialog->setRange(0, allCount);
            dialog->setMinimumDuration(0);
            dialog->setAutoClose(false);
            dialog->setAutoReset(false);
            connect(dialog.get(), &QProgressDialog::canceled, this, [&stopAsked] { stopAsked = true; });
            dialog->show();
        }
        // The dialog and the window are brought up to date by the clock: a repaint per file
        // would cost more than the write on a large run.
        if (dialog && (!shownOnce || done == all || sinceShown.elapsed() >= kRepaintMs)) {
            shownOnce = true;
            dialog->setLabelText(QStringLiteral("Files done: %1 of %2").arg(doneCount).arg(allCount));
            dialog->setValue(doneCount);
        }
        emit progress(doneCount, allCount);
        if (sinceShown.elapsed() >= kRepaintMs || done == 1) {
            QCoreApplication::processEvents();
            sinceShown.restart();
        }
        return !stopAsked && !(dialog && dialog->wasCanceled());
    };

    // Every run of the window can be undone; one whose journal cannot be written stops
    // before it writes anything, and says so through callbacks.message.
    const std::string journalFolder = defaultJournalFolder();
    RunJournal journal(journalFolder, journalText);
    BatchOptions options;
    options.journal = &journal;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const BatchOutcome outcome = body(callbacks, options);
    setKeptRuns(journalFolder, app::runsKept(m_settings));
    pruneRuns(journalFolder, app::runsKept(m_settings));
    QGuiApplication::restoreOverrideCursor();
    dialog.reset(); // gone before any message that follows
    return outcome;
}

BatchCallbacks BatchRunner::previewCallbacks(PreviewDialog* dialog) {
    BatchCallbacks callbacks;
    // The checks speak as in a real run; files that cannot be read are listed in the dialog.
    callbacks.message = [this](const Message& message) {
        if (message.icon == MessageIcon::Exclamation)
            MessageBoxes::show(m_window, message);
    };
    callbacks.fileDone = [dialog](const BatchFileResult& result) { dialog->addFile(result); };
    callbacks.progress = [](size_t, size_t) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    };
    return callbacks;
}

void BatchRunner::preview(const RunRequest& request) {
    auto* dialog = new PreviewDialog(m_window);
    const BatchCallbacks callbacks = previewCallbacks(dialog);
    BatchOptions options;
    options.dryRun = true;
    options.root = request.root;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const BatchOutcome outcome = runBatch(request.targets, request.panel, request.trees, {}, callbacks, options);
    QGuiApplication::restoreOverrideCursor();
    if (outcome.status == BatchStatus::AdvanceCheckFailed || outcome.status == BatchStatus::ColorTempFailed) {
        delete dialog;
        return;
    }
    dialog->finish(outcome);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

namespace {

// Opens a table for reading its rows; a message says why it cannot be.
bool openTable(QWidget* window, const QString& table, std::ifstream& in, TableReader& reader) {
    in.open(app::fromQPath(table), std::ios::binary);
    const Status opened = in ? reader.open() : Status::failure(std::generic_category().message(errno));
    if (!opened.ok)
        MessageBoxes::show(window, warningMessage("Unable to read the table " + app::shownPath(table) + ": " +
                                                  opened.description + "."));
    return opened.ok;
}

} // namespace

void BatchRunner::previewTable(const QString& table, const std::function<void(const TablePreview&)>& goOn) {
    TablePreview plan;
    plan.table = table;
    const QFileInfo info(table);
    plan.size = info.size();
    plan.modified = info.lastModified();
    std::ifstream in;
    TableReader reader(in);
    if (!openTable(m_window, table, in, reader))
        return;

    auto* dialog = new PreviewDialog(m_window);
    const BatchCallbacks callbacks = previewCallbacks(dialog);
    BatchOptions options;
    options.dryRun = true;
    // The table brings each file's edit; the run adds none of its own.
    BatchRun run({}, {}, {}, callbacks, options);
    TableFeed feed;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (run.start())
        feed = feedTable(reader, run, [&callbacks](size_t done) { return callbacks.progress(done, done); });
    const BatchOutcome outcome = run.finish();
    QGuiApplication::restoreOverrideCursor();

    plan.rows = outcome.fileCount;
    plan.changing = outcome.written;
    plan.folder = feed.severalFolders ? std::string() : feed.folder;
    dialog->finish(outcome);
    dialog->setNote(app::fromBytes(tableNotes(feed, false)).replace(QLatin1Char('\r'), QLatin1Char('\n')).trimmed());
    // A damaged table is mended first: what follows the damage may be what the user meant.
    if (plan.changing > 0 && feed.damage.empty()) {
        dialog->offerToGoOn(QStringLiteral("Apply\u2026"));
        // Queued: the run that follows must not run inside the closing dialog's signal.
        connect(
            dialog, &QDialog::accepted, this, [plan, goOn] { goOn(plan); }, Qt::QueuedConnection);
    }
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

bool BatchRunner::askBeforeTableRun(const TablePreview& preview) {
    return MessageBoxes::show(m_window, question(tableQuestionText(preview))) == QMessageBox::Yes;
}

std::optional<Message> BatchRunner::runTable(const TablePreview& preview, std::initializer_list<QWidget*> held,
                                             const std::function<void(const BatchFileResult&)>& fileDone) {
    // What is written must be what the preview showed and the question counted.
    const QFileInfo info(preview.table);
    if (!info.exists() || info.size() != preview.size || info.lastModified() != preview.modified) {
        MessageBoxes::show(m_window, warningMessage("The table " + app::shownPath(preview.table) +
                                                    " changed after the preview, so nothing was written. Apply it "
                                                    "again to see what it changes now."));
        return std::nullopt;
    }
    std::ifstream in;
    TableReader reader(in);
    if (!openTable(m_window, preview.table, in, reader))
        return std::nullopt;
    std::string journalText = "window: values from the table " + app::shownPath(preview.table);
    if (journalText.size() > kRunJournalTextLimit)
        journalText = journalText.substr(0, kRunJournalTextLimit) + "...";
    TableFeed feed;
    const BatchOutcome outcome =
        runWith(journalText, held, fileDone, [&](const BatchCallbacks& callbacks, BatchOptions& options) {
            BatchRun run({}, {}, {}, callbacks, options);
            if (run.start()) {
                // The preview counted the rows; a progress past them only means the count was short.
                const auto total = static_cast<size_t>(std::max(1L, preview.rows));
                feed = feedTable(reader, run, [&callbacks, total](size_t done) {
                    return callbacks.progress(done, std::max(done, total));
                });
            }
            return run.finish();
        });
    // A run stopped before its first file has said why.
    if (!outcome.showReport())
        return std::nullopt;
    const std::string notes = tableNotes(feed, true);
    Message report = batchReport(outcome);
    if (!notes.empty()) {
        report.text += "\r" + notes;
        report.icon = MessageIcon::Exclamation;
    }
    return report;
}

std::optional<Message> BatchRunner::undoLastRun(std::initializer_list<QWidget*> held,
                                                const std::function<void(const UndoFileResult&)>& fileDone) {
    const std::string journalFolder = defaultJournalFolder();
    // The newest run that replaced something; one still at work has nothing to take back yet.
    std::vector<RunSummary> runs = listRuns(journalFolder);
    runs.erase(std::remove_if(runs.begin(), runs.end(), [](const RunSummary& r) { return r.files == 0; }), runs.end());
    if (runs.empty()) {
        MessageBoxes::show(m_window, plainMessage("There is no run to undo."));
        return std::nullopt;
    }
    // The run asked about is the one undone, even if another run ends meanwhile.
    const RunSummary& newest = runs.front();
    if (MessageBoxes::show(m_window, question(undoQuestionText(newest))) != QMessageBox::Yes)
        return std::nullopt;

    std::vector<std::string> notRestored;
    UndoCallbacks callbacks;
    // One box per file would bury the user on a large run: the report lists them.
    callbacks.message = [&notRestored](const Message& message) { notRestored.push_back(message.text); };
    callbacks.fileDone = fileDone;
    // The undo keeps what it replaces, so it can be undone in turn.
    RunJournal journal(journalFolder, {});
    UndoOutcome outcome;
    {
        InputHold hold(held);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        outcome = undoRun(journalFolder, newest.number, false, &journal, callbacks);
        // Clicks made while it ran are dropped here, not run after it.
        QCoreApplication::processEvents();
        QGuiApplication::restoreOverrideCursor();
    }
    if (!outcome.status.ok) {
        MessageBoxes::show(m_window, warningMessage("Nothing was restored: " + outcome.status.description + "."));
        return std::nullopt;
    }
    setKeptRuns(journalFolder, app::runsKept(m_settings));
    pruneRuns(journalFolder, app::runsKept(m_settings));
    return undoReport(outcome, notRestored);
}

} // namespace tagmere::ui
