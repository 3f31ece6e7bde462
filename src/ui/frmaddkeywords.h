// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/addkeywords.h"
#include "app/settings.h"
#include "format/result.h"
#include "keywords/keywordlist.h"
#include "keywords/keywordtree.h"
#include "search/filesearch.h"

#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QLineEdit;
class QShortcut;
class QTreeWidget;

namespace Ui {
class frmAddKeywords;
}

namespace tagmere::ui {

class BatchRunner;
class ComboBox;
class FoundFilesView;
class KeywordTreesView;
class frmPhotometry;
class frmView;
struct RunRequest;
struct TablePreview;

// The main window: the wiring between its controls, the keyword trees on screen, the
// found files, the run and the two windows it opens. The work itself is done by the
// windowless code (the Miscellaneous rules, the keyword list and trees, the run).
class frmAddKeywords final : public QWidget {
    Q_OBJECT
public:
    // `globals` and `settings` outlive the window.
    frmAddKeywords(app::AddKeywords& globals, app::Settings& settings, QWidget* parent = nullptr);
    ~frmAddKeywords() override;
    frmAddKeywords(const frmAddKeywords&) = delete;
    frmAddKeywords& operator=(const frmAddKeywords&) = delete;

    // The designer-made controls, by their names.
    const Ui::frmAddKeywords& controls() const { return *ui; }
    // The trees trvApplication(0..2): the index is the column.
    const std::array<QTreeWidget*, kTreeCount>& trvApplication() const;

    // The view / edit window, loaded (hidden) on first use.
    frmView* viewWindow();
    // The candela curve window, loaded (hidden) on first use.
    frmPhotometry* photometryWindow();

    // The selection shows the current file's keywords.
    bool fileKeywordsShown() const { return mblnFileKeywordsShown; }

    // How long a run goes before its progress dialog shows, in milliseconds.
    void setProgressDelay(int milliseconds);

    // Searches the folder of the photometric file `path` and makes the file current, as a
    // click on it in the found list would. Refused, with why, when the file does not exist,
    // is no *.ies file, or the search does not list it (a hidden file, a link out of its folder).
    Status openFile(const QString& path);
    // The file named on the command line: opened once the window first shows, after the
    // backup warning; a refusal is shown in a message box and on standard error.
    void setStartFile(const QString& path) { m_startFile = path; }

signals:
    // A run finished `done` of its `total` target files.
    void batchProgress(int done, int total);

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Form_Activate();
    void Form_QueryUnload();
    void Form_Resize();
    void setUpFoundFiles();
    void restoreFolder();
    void connectFileControls();
    SelectColors colors() const;
    // Sizes a drop-down list to the rows that fit below it in `availableHeight` pixels.
    void msbSizeComboDropDown(ComboBox* combo, int availableHeight);

    // Miscellaneous panel.
    MiscPanel miscPanel() const;
    void paintMiscCaption(QCheckBox* box);
    void msbClearMisc();
    void msbLoadSourceType();
    void cmdClear_Click();

    // Keyword lists and trees.
    void msbLoadOrbKeywordFiles();
    void msbLoadKeywordFile();
    void msbDisplayKeywords();
    void msbShowSelectedOnly();
    void cbxKeywordFiles_Click();
    void cmdSaveList_Click();
    void chkShowSelectedOnly_Click();
    void reloadList();

    // Search, folders and found files.
    void cmdFind_Click();
    void dirList_Change();
    void drvList_Change();
    void clearFoundFiles();
    void chkView_Click();
    void chkPhotometry_Click();
    void setChecksShown(bool shown);
    void setSearchInput(bool enabled);
    // Makes the selected found file current and shows it: read, trees rebuilt, its keywords
    // ticked in the file colour, and its text in the view window when "View / Edit" is ticked.
    void msbShowSelectedFile();
    // Reads the current file afresh and shows it everywhere but the view window: line buffer,
    // trees and panel as read back, and the candela curve window.
    void msbShowCurrentFile();
    void msbUpdateKeywords();
    // Fills the view window from a fresh read of the current file and shows it.
    void msbIESViewFile();
    void fillView();

    // The run.
    RunRequest runRequest() const;
    void cmdAddKeywords_Click();
    void cmdPreview_Click();
    void cmdUndoLastRun_Click();
    // After a run or an undo wrote files: the current file (when `showSelected` and the
    // selection shows it) and the view window are read again, `report` is shown, and the
    // found list's checks look at the files as they are now.
    void showAfterRun(bool selectedFileChanged, bool showSelected, const std::optional<Message>& report);

    // The library as a table: the found list's context menu (frmaddkeywords_table.cpp).
    void setUpTableMenu();
    void mnuExportTable_Click();
    void mnuApplyTable_Click();
    // The preview of a table was accepted: the question, then the run.
    void applyPreviewedTable(const TablePreview& preview);

    // Colours of the main window (red + 256 x green + 65536 x blue).
    Color mlngNormalColor = 0;
    Color mlngDefaultSelectColor = 255;
    Color mlngFileSelectColor = 0;
    // True from the end of load until the window first becomes active.
    bool mblnFirstActivation = false;
    bool mblnFileKeywordsShown = false;
    // A search is running.
    bool mblnSearching = false;
    // Esc (or closing the window) asked the running search to stop.
    bool m_stopSearch = false;

    // What the line buffer holds: a complete read of the current file as it is on disk; a
    // read from before this program wrote the file (read again before it is shown); or what a
    // failed read left, which is never offered for saving.
    enum class BufferState { Current, Stale, Failed };
    BufferState m_bufferState = BufferState::Current;

    std::unique_ptr<Ui::frmAddKeywords> ui;
    app::AddKeywords& m_globals;
    app::Settings& m_settings;
    KeywordList m_list;
    KeywordTrees m_trees;
    KeywordTreesView* m_treesView = nullptr;
    FileSearch m_search;
    std::string m_searchRoot; // the folder the found files were searched below; runs write only inside it
    FoundFilesView* m_found = nullptr;
    BatchRunner* m_runner = nullptr;
    // Esc while a search runs.
    QShortcut* m_stopKey = nullptr;
    QAction* m_exportTable = nullptr;
    QAction* m_applyTable = nullptr;
    QString m_tableFolder; // where the last table was saved or opened
    frmView* m_view = nullptr;
    frmPhotometry* m_photometry = nullptr;
    // The chooser's selection handling ran since its list last opened.
    bool m_chooserClickRan = false;
    QString m_startFile;
};

} // namespace tagmere::ui
