// SPDX-License-Identifier: GPL-3.0-or-later
#include "batchrunner.h"

#include "messageboxes.h"
#include "previewdialog.h"

#include "app/addkeywords.h"
#include "format/text.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QWidget>

#include <algorithm>
#include <memory>

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

} // namespace

std::string bulkQuestionText(size_t files, const MiscPanel& panel, const BatchTrees& trees) {
    // What each keyword comes to in the files, composed as the run composes it: the panel's
    // edits first, then the trees', the last one of a keyword winning.
    struct Outcome {
        std::string keyword;
        std::string line;
        size_t moreLines = 0;
        bool removed = false;
    };
    std::vector<Outcome> outcomes;
    const auto outcomeOf = [&outcomes](const std::string& keyword) -> Outcome& {
        const auto it =
            std::find_if(outcomes.begin(), outcomes.end(), [&](const Outcome& o) { return o.keyword == keyword; });
        return it != outcomes.end() ? *it : outcomes.emplace_back(Outcome{keyword, {}, 0, false});
    };
    for (const KeywordEdit& edit : composeMisc(panel))
        outcomeOf(edit.keyword) = Outcome{edit.keyword, edit.line, 0, false};
    std::vector<RunKeyword> met; // as for the run's first file
    for (TreeEdit& edit : treeEdits(trees, met))
        outcomeOf(edit.keyword) = Outcome{edit.keyword, std::move(edit.line), edit.more.size() - 1, edit.remove};
    if (outcomes.empty())
        return {};
    std::string written, removed;
    for (const Outcome& o : outcomes) {
        if (o.removed) {
            removed += o.keyword + " removed\r";
            continue;
        }
        written += o.line + "\r";
        if (o.moreLines > 0)
            written += "... (+" + std::to_string(o.moreLines) + " [MORE] line(s))\r";
    }
    std::string text = "This run will edit (" + std::to_string(files) + ") file(s).\r";
    if (!written.empty())
        text += "\rThe following Keyword(s) will be added or replaced:\r" + written;
    if (!removed.empty())
        text += "\rThe following Keyword(s) will be removed:\r" + removed;
    text += "\rThere is no undo. Write the files now? (Preview shows the changes and writes nothing.)";
    return text;
}

BatchRunner::BatchRunner(QWidget* window) : QObject(window), m_window(window) {}

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

    BatchOptions options;
    options.root = request.root;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const BatchOutcome outcome = runBatch(request.targets, request.panel, request.trees, {}, callbacks, options);
    QGuiApplication::restoreOverrideCursor();
    dialog.reset(); // gone before any message that follows
    return outcome;
}

void BatchRunner::preview(const RunRequest& request) {
    auto* dialog = new PreviewDialog(m_window);
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

} // namespace tagmere::ui
