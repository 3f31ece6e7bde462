// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/addkeywords.h"
#include "app/settings.h"
#include "core/batch.h"
#include "core/misc.h"
#include "keywords/keywordlist.h"
#include "keywords/keywordtree.h"
#include "search/filesearch.h"

#include <QWidget>

#include <array>
#include <memory>

class QLineEdit;
class QCheckBox;
class QShortcut;
class QTreeWidget;
class QTreeWidgetItem;

namespace Ui {
class frmAddKeywords;
}

namespace tagmere::ui {

class ComboBox;
class FoundFilesView;
class frmPhotometry;
class frmView;

// The main window. Its event handlers are thin: they read and set the controls and hand
// the work to the windowless code (the Miscellaneous rules, the keyword list and trees).
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
    const std::array<QTreeWidget*, kTreeCount>& trvApplication() const { return m_trvApplication; }

    // The view / edit window, loaded (hidden) on first use.
    frmView* viewWindow();
    // The candela curve window, loaded (hidden) on first use.
    frmPhotometry* photometryWindow();

    // The loaded keyword list and the trees' model.
    KeywordList& keywordList() { return m_list; }
    KeywordTrees& keywordTrees() { return m_trees; }
    SelectColors colors() const;

    // The Miscellaneous panel as the windowless rules take it.
    MiscPanel miscPanel() const;

    // Window procedures shared with the parts built on this window.
    void msbLoadOrbKeywordFiles();
    void msbLoadKeywordFile();
    void msbDisplayKeywords();
    void msbShowSelectedOnly();
    void msbClearMisc();
    void msbLoadSourceType();
    // Sizes a drop-down list to the rows that fit below it in `availableHeight` pixels.
    void msbSizeComboDropDown(ComboBox* combo, int availableHeight);
    // Shows the trees' model in the three tree views again.
    void showTrees();

    bool fileKeywordsShown() const { return mblnFileKeywordsShown; }

    // The found-files list: its items and their rows in ltvFoundFiles.
    FoundFilesView& foundFiles() { return *m_found; }
    // The search's pattern lists and walk.
    bool isSearching() const { return mblnSearching; }

    // Makes the selected found file current and shows it: read, trees rebuilt, its keywords
    // ticked in the file colour, and its text in the view window when "View / Edit" is ticked.
    void msbShowSelectedFile();
    // Fills the view window from the line buffer and shows it.
    void msbIESViewFile();

    // How long a batch run goes before its progress dialog shows, in milliseconds.
    void setProgressDelay(int milliseconds) { m_progressDelayMs = milliseconds; }

signals:
    // A batch run finished `done` of its `total` target files.
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
    void restorePlacement();
    void setUpFoundFiles();
    void restoreFolder();
    void showBackupWarning();
    void connectFileControls();

    // Miscellaneous panel.
    void paintMiscCaption(QCheckBox* box);
    void chkManufac_Click();
    void chkSearchSource_Click();
    void chkSearchSPRatio_Click();
    void chkSearchCRI_Click();
    void chkSearchColorTemp_Click();
    void txtManufac_Change();
    void txtSearchSPRatio_Change();
    void txtSearchCRI_Change();
    void txtSearchColorTemp_Change();
    void cbxSourceType_DropDown();
    void cmdClear_Click();
    void cmdClose_Click();

    // Keyword lists and trees.
    void cbxKeywordFiles_Click();
    void cbxKeywordFiles_DropDown();
    void cmdRefresh_Click();
    void cmdSaveList_Click();
    void chkShowSelectedOnly_Click();
    void cmdCheckAll_Click();
    void cmdUnCheckAll_Click();
    void trvApplication_NodeCheck(int index, QTreeWidgetItem* item);
    void trvApplication_KeyDown(int index, int keyCode);
    void trvApplication_SelectionChanged(int index);

    // Search, folders and found files.
    void cmdFind_Click();
    void dirList_Change();
    void drvList_Change();
    void clearFoundFiles();
    void ltvFoundFiles_ItemClick();
    void ltvFoundFiles_KeyDown();
    void cmdCheck_Click();
    void cmdUncheck_Click();
    void chkView_Click();
    void chkPhotometry_Click();
    void optBulk_Click();
    void optSingle_Click();
    void setSearchInput(bool enabled);
    void msbUpdateKeywords();
    void fillView();

    // The batch run.
    void cmdAddKeywords_Click();
    // Before a run over more than one file: asks Yes, No or Preview; true to go ahead.
    bool askBeforeBulkRun(size_t files);
    // Shows what cmdAddKeywords would change, through the same run in a mode that writes nothing.
    void cmdPreview_Click();

    // The tree views from the model: rebuilt, or only their ticks, fonts and colours.
    void showTree(int index);
    void paintTree(int index);
    void paintItem(QTreeWidgetItem* item, const TreeNode& node);
    void reloadList();

    // Colours of the main window (red + 256 x green + 65536 x blue).
    Color mlngNormalColor = 0;
    Color mlngDefaultSelectColor = 255;
    Color mlngFileSelectColor = 0;
    // True from the end of load until the window first becomes active.
    bool mblnFirstActivation = false;
    // The selection shows the current file's keywords.
    bool mblnFileKeywordsShown = false;
    // A search is running.
    bool mblnSearching = false;
    // Esc (or closing the window) asked the running search to stop.
    bool m_stopSearch = false;
    // A batch run shows its progress once it has taken this long.
    int m_progressDelayMs = 500;

    // What the line buffer holds: a complete read of the current file as it is on disk; a
    // read from before this program wrote the file (read again before it is shown); or what a
    // failed read left, which is never offered for saving.
    enum class BufferState { Current, Stale, Failed };
    BufferState m_bufferState = BufferState::Current;

    std::unique_ptr<Ui::frmAddKeywords> ui;
    app::AddKeywords& m_globals;
    app::Settings& m_settings;
    std::array<QTreeWidget*, kTreeCount> m_trvApplication{};
    KeywordList m_list;
    KeywordTrees m_trees;
    FileSearch m_search;
    std::string m_searchRoot; // the folder the found files were searched below; runs write only inside it
    FoundFilesView* m_found = nullptr;
    // Esc while a search runs.
    QShortcut* m_stopKey = nullptr;
    frmView* m_view = nullptr;
    frmPhotometry* m_photometry = nullptr;
    // Set while the program itself fills the tree views, whose item changes are then no clicks.
    bool m_showingTrees = false;
    // The chooser's selection handling ran since its list last opened.
    bool m_chooserClickRan = false;
};

// Selects the whole text of a text box, so typing replaces it.
void msbSelectAllText(QLineEdit* box);

// A colour of the settings (red + 256 x green + 65536 x blue) as the widgets take it.
QColor toQColor(Color color);

using app::fromBytes;
using app::toBytes;

} // namespace tagmere::ui
