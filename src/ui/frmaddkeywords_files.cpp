// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's file side: drive and folder lists, the search, the found-files list and
// the current file, the view window's filling, and the run.
#include "frmaddkeywords.h"

#include "batchrunner.h"
#include "controls.h"
#include "foundfilesview.h"
#include "frmview.h"
#include "keywordtreesview.h"
#include "messageboxes.h"
#include "photometryview.h"
#include "ui_frmaddkeywords.h"

#include "files/platform.h"
#include "files/readfile.h"
#include "search/readback.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QShortcut>

#include <filesystem>

namespace tagmere::ui {

namespace {

// How often a running search shows how far it is and takes the user's input.
constexpr qint64 kSearchRepaintMs = 50;
// Folders a search could not read that its message names one by one.
constexpr int kSkippedFoldersNamed = 10;

} // namespace

void frmAddKeywords::connectFileControls() {
    connect(ui->dirList, &FolderListBox::pathChanged, this, [this] { dirList_Change(); });
    connect(ui->drvList, &DriveListBox::driveChanged, this, [this] { drvList_Change(); });
    connect(ui->cmdFind, &QPushButton::clicked, this, [this] { cmdFind_Click(); });

    connect(m_found, &FoundFilesView::itemClick, this, [this] { msbShowSelectedFile(); });
    connect(m_found, &FoundFilesView::selectAllKey, this, [this] {
        if (ui->optBulk->isChecked())
            m_found->checkAll();
    });
    connect(ui->cmdCheck, &QPushButton::clicked, m_found, &FoundFilesView::checkAll);
    connect(ui->cmdUncheck, &QPushButton::clicked, m_found, &FoundFilesView::uncheckAll);
    connect(ui->chkView, &QCheckBox::toggled, this, [this] { chkView_Click(); });
    // Single edits the selected file and Bulk the ticked ones, so only Bulk shows ticks.
    connect(ui->optBulk, &QRadioButton::toggled, this, [this](bool on) { setChecksShown(on); });
    setChecksShown(ui->optBulk->isChecked());

    connect(ui->cmdAddKeywords, &QPushButton::clicked, this, [this] { cmdAddKeywords_Click(); });
    connect(ui->cmdPreview, &QPushButton::clicked, this, [this] { cmdPreview_Click(); });
    connect(ui->cmdUndoLastRun, &QPushButton::clicked, this, [this] { cmdUndoLastRun_Click(); });
    setUpTableMenu();

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
    ui->cmdUndoLastRun->setEnabled(enabled);
    m_stopKey->setEnabled(!enabled);
}

void frmAddKeywords::cmdFind_Click() {
    if (mblnSearching)
        return;
    clearFoundFiles();
    m_search.buildPatternLists(app::toBytes(ui->txtFileSpec->text()));
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
        ui->labCount->setText(app::fromBytes(foundCountText(m_found->count())));
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
    std::string skipped;
    int skippedCount = 0;
    callbacks.folderSkipped = [&](const std::string& folder, const std::string& why) {
        // A few named in full are enough to act on; the rest are counted.
        if (++skippedCount <= kSkippedFoldersNamed)
            skipped += platform::displayPath(folder) + ": " + why + "\r";
    };
    m_searchRoot = app::fromQPath(ui->dirList->path());
    m_search.mfnDirDiver(m_searchRoot, m_found->items(), callbacks);
    m_found->showAdded();
    ui->labCount->setText(app::fromBytes(foundCountText(m_found->count())));
    mblnSearching = false;
    m_search.mblnSearching = false;
    setSearchInput(true);
    QGuiApplication::restoreOverrideCursor();

    m_found->deselectAll();
    ui->cmdRefresh->setEnabled(false);
    msbClearMisc();
    m_trees.uncheckAll(colors());
    m_treesView->paintAll();
    if (skippedCount > 0) {
        if (skippedCount > kSkippedFoldersNamed)
            skipped += "and " + std::to_string(skippedCount - kSkippedFoldersNamed) + " more\r";
        MessageBoxes::show(
            this, warningMessage("These folders could not be read, so their files are not listed:\r" + skipped));
    }
}

// ---- Found files and the current file

Status frmAddKeywords::openFile(const QString& path) {
    const QFileInfo file(path);
    const std::string shown = app::shownPath(path);
    if (!file.exists())
        return Status::failure(shown + " does not exist");
    // Only what a search lists can become current: its *.ies files.
    if (!file.isFile() || !file.fileName().endsWith(QLatin1String(".ies"), Qt::CaseInsensitive))
        return Status::failure(shown + " is not a photometric file (*.ies)");
    const QString folder = QDir(file.absolutePath()).canonicalPath();
    if (folder.isEmpty() || !ui->dirList->setPath(folder))
        return Status::failure("the folder of " + shown + " cannot be opened");
    ui->drvList->setDriveOf(folder);
    cmdFind_Click();

    // The name as the walk spells it: the folder as searched, the link's own name kept.
    const std::string wanted = app::fromQPath(QDir(ui->dirList->path()).filePath(file.fileName()));
    for (int i = 1; i <= m_found->count(); ++i) {
        if (m_found->items().item(i).fullPath() != wanted)
            continue;
        const QModelIndex row = m_found->model()->index(i - 1, 0);
        ui->ltvFoundFiles->scrollTo(row);
        ui->ltvFoundFiles->setCurrentIndex(row); // a pick, like a click: the file is read and shown
        return Status::success();
    }
    return Status::failure(shown + " is not listed by a search of its folder (hidden files, and links to files outside "
                                   "the folder, never are)");
}

void frmAddKeywords::setChecksShown(bool shown) {
    m_found->setChecksShown(shown);
    ui->cmdCheck->setEnabled(shown);
    ui->cmdUncheck->setEnabled(shown);
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
        msbShowCurrentFile();
        if (ui->chkView->isChecked())
            msbIESViewFile();
    }
}

void frmAddKeywords::msbShowCurrentFile() {
    ui->fraNonFound->hide();
    const Status read = msbIESFileRead(m_globals.gstrSelectedFile, m_globals.gstrFileLine);
    m_bufferState = read.ok ? BufferState::Current : BufferState::Failed;
    if (!read.ok)
        MessageBoxes::show(this, plainMessage("Unable to read file: " + read.description));
    msbDisplayKeywords();
    msbUpdateKeywords();
    ui->cmdRefresh->setEnabled(true);
    if (m_photometry)
        m_photometry->setFile(m_globals.gstrSelectedFile);
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
    m_treesView->paintAll();

    const auto show = [this](QCheckBox* box, QLineEdit* text, const PanelValue& value) {
        if (!value.found)
            return;
        if (text)
            text->setText(app::fromBytes(value.value)); // ticks its row in the default colour first
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
        const int index = ui->cbxSourceType->findText(app::fromBytes(readBack.sourceType.value), Qt::MatchExactly);
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
    const QString name = app::toQPath(mfnFileTitle(m_globals.gstrSelectedFile)) + QStringLiteral(".ies");
    // A read of its own: the view keeps the file's empty lines and last line end, which the
    // line buffer does not hold, and Save needs to know the file as it was shown. Part of a
    // file is never shown for saving over it.
    if (m_bufferState == BufferState::Failed || m_globals.gstrSelectedFile.empty()) {
        view->fill(QString(), name, std::string());
        return;
    }
    std::string bytes;
    FileIdentity shownAs;
    const Status read = readTextFile(m_globals.gstrSelectedFile, bytes, &shownAs);
    if (m_bufferState == BufferState::Stale) {
        // The file changed since the line buffer read it: the buffer follows it too.
        m_globals.gstrFileLine = splitLines(bytes);
        m_bufferState = read.ok ? BufferState::Current : BufferState::Failed;
    }
    if (!read.ok) {
        MessageBoxes::show(this, plainMessage("Unable to read file: " + read.description));
        view->fill(QString(), name, std::string());
        return;
    }
    view->fill(viewText(bytes), name, m_globals.gstrSelectedFile, shownAs);
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

RunRequest frmAddKeywords::runRequest() const {
    return RunRequest{m_found->targets(ui->optBulk->isChecked()), miscPanel(), m_trees.batchTrees(), m_searchRoot};
}

void frmAddKeywords::cmdAddKeywords_Click() {
    if (mblnSearching)
        return;
    const RunRequest request = runRequest();
    if (request.targets.size() > 1 && !m_runner->askBeforeBulkRun(request))
        return;
    bool selectedFileChanged = false;
    const BatchOutcome outcome = m_runner->run(request, {this, m_view}, [&](const BatchFileResult& result) {
        if (result.path == m_globals.gstrSelectedFile && result.changes() && !result.writeFailed)
            selectedFileChanged = true;
    });

    // A run stopped before its first file (a value refused, or a journal that cannot be
    // written) has said why; there is nothing to show again.
    if (outcome.status == BatchStatus::AdvanceCheckFailed ||
        (outcome.status == BatchStatus::JournalFailed && outcome.fileCount == 0))
        return;
    const bool stopped = outcome.status == BatchStatus::ColorTempFailed;
    showAfterRun(selectedFileChanged, !stopped,
                 !stopped && outcome.showReport() ? std::optional<Message>(batchReport(outcome)) : std::nullopt);
}

void frmAddKeywords::showAfterRun(bool selectedFileChanged, bool showSelected, const std::optional<Message>& report) {
    if (selectedFileChanged)
        m_bufferState = BufferState::Stale;
    if (showSelected && mblnFileKeywordsShown) {
        msbShowSelectedFile();
    } else if (selectedFileChanged && m_view && m_view->shownFile() == m_globals.gstrSelectedFile) {
        // The view window must not offer the text from before the run for saving.
        if (m_view->isVisible())
            fillView();
        else
            m_view->clearView();
    }
    if (report)
        MessageBoxes::show(this, *report);
    m_found->recheckHeaders();
}

void frmAddKeywords::cmdPreview_Click() {
    if (!mblnSearching)
        m_runner->preview(runRequest());
}

void frmAddKeywords::cmdUndoLastRun_Click() {
    if (mblnSearching)
        return;
    bool selectedFileChanged = false;
    const std::optional<Message> report = m_runner->undoLastRun({this, m_view}, [&](const UndoFileResult& result) {
        // The journal keeps a file's whole path, which may name the found file another way.
        std::error_code ec;
        if (result.fate == UndoFileResult::Fate::Restored &&
            (result.path == m_globals.gstrSelectedFile ||
             std::filesystem::equivalent(std::filesystem::u8path(result.path),
                                         std::filesystem::u8path(m_globals.gstrSelectedFile), ec)))
            selectedFileChanged = true;
    });
    if (report)
        showAfterRun(selectedFileChanged, true, report);
}

} // namespace tagmere::ui
