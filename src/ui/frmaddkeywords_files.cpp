// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's file side: drive and folder lists, the search, the found-files list and
// the current file, the view window's filling, and the batch run.
#include "frmaddkeywords.h"

#include "controls.h"
#include "foundfilesview.h"
#include "frmview.h"
#include "messageboxes.h"
#include "photometryview.h"
#include "previewdialog.h"
#include "ui_frmaddkeywords.h"

#include "core/batch.h"
#include "core/text.h"
#include "search/readback.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QShortcut>

#include <algorithm>
#include <memory>
#include <optional>

namespace tagmere::ui {

namespace {

// How often a running search or run shows how far it is and takes the user's input.
constexpr qint64 kSearchRepaintMs = 50;

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

// The question asked before a run writes more than one file: how many, and which
// keywords the run adds or replaces and which it removes. Empty when the run has no edit.
std::string bulkQuestionText(size_t files, const MiscPanel& panel, const BatchTrees& trees) {
    std::vector<std::string> written, removed;
    for (const KeywordEdit& edit : composeMisc(panel))
        written.push_back(edit.keyword);
    // A ticked keyword is written when any tree gives it a ticked value, and removed otherwise.
    std::vector<std::pair<std::string, bool>> treeKeywords;
    for (const auto& tree : trees) {
        for (size_t n = 0; n < tree.size(); ++n) {
            if (!tree[n].checked || !startsWith(tree[n].text, "["))
                continue;
            bool hasValue = false;
            for (size_t v = n + 1; v < tree.size() && !startsWith(tree[v].text, "["); ++v)
                hasValue = hasValue || (tree[v].checked && !isBlank(tree[v].text));
            auto it = std::find_if(treeKeywords.begin(), treeKeywords.end(),
                                   [&](const auto& k) { return k.first == tree[n].text; });
            if (it == treeKeywords.end())
                treeKeywords.emplace_back(tree[n].text, hasValue);
            else
                it->second = it->second || hasValue;
        }
    }
    for (const auto& [keyword, hasValue] : treeKeywords) {
        std::vector<std::string>& list = hasValue ? written : removed;
        if (std::find(list.begin(), list.end(), keyword) == list.end())
            list.push_back(keyword);
    }
    if (written.empty() && removed.empty())
        return {};
    std::string text = "This run will edit (" + std::to_string(files) + ") file(s).\r";
    if (!written.empty()) {
        text += "\rThe following Keyword(s) will be added or replaced:\r";
        for (const auto& keyword : written)
            text += keyword + "\r";
    }
    if (!removed.empty()) {
        text += "\rThe following Keyword(s) will be removed:\r";
        for (const auto& keyword : removed)
            text += keyword + "\r";
    }
    text += "\rThere is no undo. Write the files now? (Preview shows the changes and writes nothing.)";
    return text;
}

} // namespace

void frmAddKeywords::connectFileControls() {
    connect(ui->dirList, &FolderListBox::pathChanged, this, [this] { dirList_Change(); });
    connect(ui->drvList, &DriveListBox::driveChanged, this, [this] { drvList_Change(); });
    connect(ui->cmdFind, &QPushButton::clicked, this, [this] { cmdFind_Click(); });

    connect(m_found, &FoundFilesView::itemClick, this, [this] { ltvFoundFiles_ItemClick(); });
    connect(m_found, &FoundFilesView::selectAllKey, this, [this] { ltvFoundFiles_KeyDown(); });
    connect(ui->cmdCheck, &QPushButton::clicked, this, [this] { cmdCheck_Click(); });
    connect(ui->cmdUncheck, &QPushButton::clicked, this, [this] { cmdUncheck_Click(); });
    connect(ui->chkView, &QCheckBox::toggled, this, [this] { chkView_Click(); });
    connect(ui->optBulk, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optBulk_Click();
    });
    connect(ui->optSingle, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            optSingle_Click();
    });
    m_found->setChecksShown(ui->optBulk->isChecked());

    connect(ui->cmdAddKeywords, &QPushButton::clicked, this, [this] { cmdAddKeywords_Click(); });
    connect(ui->cmdPreview, &QPushButton::clicked, this, [this] { cmdPreview_Click(); });

    m_stopKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_stopKey->setContext(Qt::ApplicationShortcut);
    m_stopKey->setEnabled(false);
    connect(m_stopKey, &QShortcut::activated, this, [this] { m_stopSearch = true; });
}

// ---- Drive and folder lists

void frmAddKeywords::drvList_Change() {
    // A drive that cannot be opened puts the folder list's own drive back.
    if (!ui->dirList->setPath(ui->drvList->drive()))
        ui->drvList->setDriveOf(ui->dirList->path());
}

void frmAddKeywords::dirList_Change() {
    ui->lstFileList->clear();
    if (!mblnSearching)
        clearFoundFiles();
    // Before the first search there is no pattern, and so no candidate.
    for (const std::string& name : m_search.candidateList(app::fromQPath(ui->dirList->path())))
        ui->lstFileList->addItem(app::toQPath(name));
}

void frmAddKeywords::clearFoundFiles() {
    m_found->clear();
    mblnFileKeywordsShown = false;
    viewWindow()->clearView();
    if (m_photometry)
        m_photometry->setFile(std::string());
    ui->labCount->clear();
}

// ---- Search

void frmAddKeywords::setSearchInput(bool enabled) {
    // Nothing may move the start folder or start a run while the walk yields to the window.
    ui->drvList->setEnabled(enabled);
    ui->dirList->setEnabled(enabled);
    ui->cmdFind->setEnabled(enabled);
    ui->cmdAddKeywords->setEnabled(enabled);
    m_stopKey->setEnabled(!enabled);
}

void frmAddKeywords::cmdFind_Click() {
    if (mblnSearching)
        return;
    clearFoundFiles();
    m_search.buildPatternLists(toBytes(ui->txtFileSpec->text()));
    dirList_Change();
    ui->labCount->setText(QStringLiteral("0"));

    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    setSearchInput(false);
    m_stopSearch = false;
    mblnSearching = true;
    // The list takes the rows found in blocks and the window repaints by the clock, not per
    // file or folder: on a large tree both would cost more than the walk. The first file
    // shows at once, so a search that finds something never looks idle.
    QElapsedTimer sinceShown;
    sinceShown.start();
    const auto showFound = [this, &sinceShown] {
        m_found->showAdded();
        ui->labCount->setText(fromBytes(foundCountText(m_found->count())));
        QCoreApplication::processEvents();
        sinceShown.restart();
    };
    SearchCallbacks callbacks;
    callbacks.fileFound = [&](const FoundFileItem&, int count) {
        if (count == 1 || sinceShown.elapsed() >= kSearchRepaintMs)
            showFound();
    };
    callbacks.stopRequested = [&](const std::string&) {
        // The window takes Esc and clicks when it repaints.
        if (sinceShown.elapsed() >= kSearchRepaintMs)
            showFound();
        return m_stopSearch;
    };
    m_searchRoot = app::fromQPath(ui->dirList->path());
    m_search.mfnDirDiver(m_searchRoot, m_found->items(), callbacks);
    m_found->showAdded();
    ui->labCount->setText(fromBytes(foundCountText(m_found->count())));
    mblnSearching = false;
    m_search.mblnSearching = false;
    setSearchInput(true);
    QGuiApplication::restoreOverrideCursor();

    m_found->deselectAll();
    ui->cmdRefresh->setEnabled(false);
    msbClearMisc();
    cmdUnCheckAll_Click();
}

// ---- Found files and the current file

void frmAddKeywords::ltvFoundFiles_ItemClick() {
    msbShowSelectedFile();
}

void frmAddKeywords::ltvFoundFiles_KeyDown() {
    if (ui->optBulk->isChecked())
        m_found->checkAll();
}

void frmAddKeywords::cmdCheck_Click() {
    m_found->checkAll();
}

void frmAddKeywords::cmdUncheck_Click() {
    m_found->uncheckAll();
}

void frmAddKeywords::optBulk_Click() {
    m_found->setChecksShown(true);
    ui->cmdCheck->setEnabled(true);
    ui->cmdUncheck->setEnabled(true);
}

void frmAddKeywords::optSingle_Click() {
    m_found->setChecksShown(false);
    ui->cmdCheck->setEnabled(false);
    ui->cmdUncheck->setEnabled(false);
}

void frmAddKeywords::chkView_Click() {
    if (ui->chkView->isChecked())
        msbIESViewFile();
    else if (m_view)
        m_view->close();
}

void frmAddKeywords::msbShowSelectedFile() {
    ui->fraNonFound->hide();
    const int count = m_found->count();
    for (int i = 1; i <= count && i <= m_found->count(); ++i) {
        const FoundFileItem& item = m_found->items().item(i);
        if (!item.Selected)
            continue;
        m_globals.gstrSelectedFile = item.fullPath();
        const FileResult read = msbIESFileRead(m_globals.gstrSelectedFile, m_globals.gstrFileLine);
        m_bufferState = read.ok ? BufferState::Current : BufferState::Failed;
        if (!read.ok)
            MessageBoxes::show(this, read.message);
        msbDisplayKeywords();
        msbUpdateKeywords();
        ui->cmdRefresh->setEnabled(true);
        if (m_photometry)
            m_photometry->setFile(m_globals.gstrSelectedFile);
        if (ui->chkView->isChecked())
            msbIESViewFile();
    }
}

void frmAddKeywords::msbUpdateKeywords() {
    // Texts emptied before the boxes are unticked, as the panel's reset does.
    msbClearMisc();
    mblnFileKeywordsShown = true;
    m_trees.uncheckAll(colors());

    const TreeNodeTexts texts = m_trees.nodeTexts();
    const KeywordReadBack readBack = readBackKeywords(m_globals.gstrFileLine, texts);
    for (const NodeRef& mark : readBack.marks)
        m_trees.mark(mark.tree, mark.node, mlngFileSelectColor);
    for (int i = 0; i < kTreeCount; ++i)
        paintTree(i);

    const auto show = [this](QCheckBox* box, QLineEdit* text, const PanelValue& value) {
        if (!value.found)
            return;
        if (text)
            text->setText(fromBytes(value.value)); // ticks its row in the default colour first
        box->setChecked(true);
        QFont font = box->font();
        font.setBold(true);
        box->setFont(font);
        QPalette palette = box->palette();
        palette.setColor(QPalette::WindowText, toQColor(mlngFileSelectColor));
        palette.setColor(QPalette::ButtonText, toQColor(mlngFileSelectColor));
        box->setPalette(palette);
    };
    show(ui->chkManufac, ui->txtManufac, readBack.manufac);
    show(ui->chkSearchSPRatio, ui->txtSearchSPRatio, readBack.spRatio);
    show(ui->chkSearchCRI, ui->txtSearchCRI, readBack.cri);
    show(ui->chkSearchColorTemp, ui->txtSearchColorTemp, readBack.colorTemp);
    if (readBack.sourceType.found) {
        // A type the list does not hold leaves the list as it was; the row is ticked anyway.
        const int index = ui->cbxSourceType->findText(fromBytes(readBack.sourceType.value), Qt::MatchExactly);
        if (index >= 0)
            ui->cbxSourceType->setCurrentIndex(index);
        show(ui->chkSearchSource, nullptr, readBack.sourceType);
    }

    if (ui->chkShowSelectedOnly->isChecked())
        msbShowSelectedOnly();
}

// ---- The view window

void frmAddKeywords::fillView() {
    frmView* view = viewWindow();
    if (m_bufferState == BufferState::Stale && !m_globals.gstrSelectedFile.empty()) {
        // The file changed since it was read: show it as it is now.
        const FileResult read = msbIESFileRead(m_globals.gstrSelectedFile, m_globals.gstrFileLine);
        m_bufferState = read.ok ? BufferState::Current : BufferState::Failed;
        if (!read.ok)
            MessageBoxes::show(this, read.message);
    }
    const QString name = app::toQPath(mfnFileTitle(m_globals.gstrSelectedFile)) + QStringLiteral(".ies");
    if (m_bufferState == BufferState::Current)
        view->fill(viewText(m_globals.gstrFileLine), name, m_globals.gstrSelectedFile);
    else
        view->fill(QString(), name, std::string()); // part of a file is never saved over it
}

void frmAddKeywords::msbIESViewFile() {
    frmView* view = viewWindow();
    fillView();
    view->show();
    view->raise();
    // The keyboard stays with the main window, so the arrow keys go on moving through the list.
    activateWindow();
}

// ---- The batch run

void frmAddKeywords::cmdAddKeywords_Click() {
    if (mblnSearching)
        return;
    const std::vector<std::string> targets = m_found->targets(ui->optBulk->isChecked());
    if (targets.size() > 1 && !askBeforeBulkRun(targets.size()))
        return;

    // The windows keep repainting during a long run, but take no input until it ends.
    std::optional<InputHold> hold;
    hold.emplace(std::initializer_list<QWidget*>{this, m_view});
    std::unique_ptr<QProgressDialog> progress;
    bool stopAsked = false;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer sinceShown;
    sinceShown.start();
    bool shownOnce = false;

    bool selectedFileChanged = false;
    BatchCallbacks callbacks;
    callbacks.message = [this](const Message& message) {
        QGuiApplication::restoreOverrideCursor();
        MessageBoxes::show(this, message);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    };
    callbacks.fileDone = [this, &selectedFileChanged](const BatchFileResult& result) {
        if (result.path == m_globals.gstrSelectedFile && result.changes() && !result.writeFailed)
            selectedFileChanged = true;
    };
    callbacks.progress = [&](size_t done, size_t all) {
        const int doneCount = static_cast<int>(done);
        const int allCount = static_cast<int>(all);
        if (!progress && done < all && clock.elapsed() >= m_progressDelayMs) {
            progress = std::make_unique<QProgressDialog>(this);
            progress->setWindowTitle(QLatin1String(app::kAppTitle));
            progress->setWindowModality(Qt::ApplicationModal);
            progress->setCancelButtonText(QStringLiteral("Stop"));
            progress->setRange(0, allCount);
            progress->setMinimumDuration(0);
            progress->setAutoClose(false);
            progress->setAutoReset(false);
            connect(progress.get(), &QProgressDialog::canceled, this, [&stopAsked] { stopAsked = true; });
            progress->show();
        }
        // The dialog and the window are brought up to date by the clock: a repaint per file
        // would cost more than the write on a large run.
        if (progress && (!shownOnce || done == all || sinceShown.elapsed() >= kSearchRepaintMs)) {
            shownOnce = true;
            progress->setLabelText(QStringLiteral("Files done: %1 of %2").arg(doneCount).arg(allCount));
            progress->setValue(doneCount);
        }
        emit batchProgress(doneCount, allCount);
        if (sinceShown.elapsed() >= kSearchRepaintMs || done == 1) {
            QCoreApplication::processEvents();
            sinceShown.restart();
        }
        return !stopAsked && !(progress && progress->wasCanceled());
    };

    BatchOptions options;
    options.root = m_searchRoot;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const BatchOutcome outcome = runBatch(targets, miscPanel(), m_trees.batchTrees(), {}, callbacks, options);
    QGuiApplication::restoreOverrideCursor();
    progress.reset(); // gone before any message that follows
    hold.reset();

    if (selectedFileChanged)
        m_bufferState = BufferState::Stale;
    if (outcome.status == BatchStatus::AdvanceCheckFailed)
        return;
    const bool stopped = outcome.status == BatchStatus::ColorTempFailed;
    if (!stopped && mblnFileKeywordsShown) {
        msbShowSelectedFile();
    } else if (selectedFileChanged && m_view && m_view->shownFile() == m_globals.gstrSelectedFile) {
        // The view window must not offer the text from before the run for saving.
        if (m_view->isVisible())
            fillView();
        else
            m_view->clearView();
    }
    if (!stopped && outcome.showReport())
        MessageBoxes::show(this, batchReport(outcome));
    m_found->recheckHeaders();
}

bool frmAddKeywords::askBeforeBulkRun(size_t files) {
    // Values the run would refuse are reported by the run itself, before any question.
    const MiscPanel panel = miscPanel();
    const BatchTrees trees = m_trees.batchTrees();
    if (advanceCheck(panel) || editProblem(panel, trees, {}))
        return true;
    const std::string text = bulkQuestionText(files, panel, trees);
    if (text.empty())
        return true; // nothing to write
    const QMessageBox::StandardButton answer = MessageBoxes::askWithPreview(this, question(text));
    if (answer == MessageBoxes::Preview)
        cmdPreview_Click();
    return answer == QMessageBox::Yes;
}

void frmAddKeywords::cmdPreview_Click() {
    if (mblnSearching)
        return;
    const std::vector<std::string> targets = m_found->targets(ui->optBulk->isChecked());
    auto* dialog = new PreviewDialog(this);
    BatchCallbacks callbacks;
    // The checks speak as in a real run; files that cannot be read are listed in the dialog.
    callbacks.message = [this](const Message& message) {
        if (message.icon == MessageIcon::Exclamation)
            MessageBoxes::show(this, message);
    };
    callbacks.fileDone = [dialog](const BatchFileResult& result) { dialog->addFile(result); };
    callbacks.progress = [](size_t, size_t) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    };
    BatchOptions options;
    options.dryRun = true;
    options.root = m_searchRoot;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const BatchOutcome outcome = runBatch(targets, miscPanel(), m_trees.batchTrees(), {}, callbacks, options);
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
