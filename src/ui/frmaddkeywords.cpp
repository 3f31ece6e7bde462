// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmaddkeywords.h"

#include "core/version.h"
#include "placement.h"

#include "batchrunner.h"
#include "controls.h"
#include "foundfilesview.h"
#include "frmview.h"
#include "keywordtreesview.h"
#include "layout.h"
#include "messageboxes.h"
#include "photometryview.h"
#include "ui_frmaddkeywords.h"

#include "keywords/savelist.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>

#include <cstdio>
#include <utility>

namespace tagmere::ui {

namespace {
constexpr const char* kBackupWarning =
    "Please backup your photometric data before using this utility (there is no undo or cancel button)!";
constexpr PlacementKeys kPlacement{app::Setting::OrbLeft, app::Setting::OrbTop, app::Setting::OrbWidth,
                                   app::Setting::OrbHeight};

// Selects the whole text of a text box, so typing replaces it.
void msbSelectAllText(QLineEdit* box) {
    box->setSelection(0, static_cast<int>(box->text().size()));
}
} // namespace

frmAddKeywords::frmAddKeywords(app::AddKeywords& globals, app::Settings& settings, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::frmAddKeywords>()), m_globals(globals), m_settings(settings) {
    ui->setupUi(this);
    // The design's font is 8.25 points; a wider font than the design's gets a little smaller.
    fitFormFont(this, 8.25, 7.0);

    // A fixed width and a minimum height; the window manager is told, and resizeEvent insists.
    setFixedWidth(layout::kFormWidth);
    setMinimumHeight(layout::kFormMinHeight);

    ui->cmdCheck->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    ui->cmdUncheck->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    ui->cmdRefresh->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    for (QPushButton* button : {ui->cmdCheck, ui->cmdUncheck, ui->cmdRefresh})
        button->setIconSize(QSize(14, 14));
    ui->Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(16, 16));
    ui->dirList->setPath(QDir::currentPath());

    m_treesView = new KeywordTreesView(
        {ui->trvApplication_0, ui->trvApplication_1, ui->trvApplication_2}, m_trees, m_list,
        [this] { return colors(); }, this);

    // Miscellaneous panel: a ticked row's caption is painted; typing a value ticks its row.
    // These also run when the program changes a control.
    const std::pair<QCheckBox*, QLineEdit*> miscRows[] = {{ui->chkManufac, ui->txtManufac},
                                                          {ui->chkSearchSource, nullptr},
                                                          {ui->chkSearchSPRatio, ui->txtSearchSPRatio},
                                                          {ui->chkSearchCRI, ui->txtSearchCRI},
                                                          {ui->chkSearchColorTemp, ui->txtSearchColorTemp}};
    for (const auto& [box, text] : miscRows) {
        connect(box, &QCheckBox::toggled, this, [this, box = box] { paintMiscCaption(box); });
        if (text)
            connect(text, &QLineEdit::textChanged, box, [box = box] { box->setChecked(true); });
    }
    for (QLineEdit* box :
         {ui->txtManufac, ui->txtSearchSPRatio, ui->txtSearchCRI, ui->txtSearchColorTemp, ui->txtKeywordFilename})
        box->installEventFilter(this);
    connect(ui->cbxSourceType, &ComboBox::dropDown, this,
            [this] { msbSizeComboDropDown(ui->cbxSourceType, height()); });
    connect(ui->cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
    connect(ui->cmdClose, &QPushButton::clicked, this, [this] { close(); });

    // The list chooser: making an entry current, by the user or the program, runs its
    // selection handling; so does picking the current entry again from the open list.
    connect(ui->cbxKeywordFiles, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_chooserClickRan = true;
        if (index >= 0)
            cbxKeywordFiles_Click();
    });
    connect(ui->cbxKeywordFiles, &QComboBox::activated, this, [this](int index) {
        if (!m_chooserClickRan && index >= 0)
            cbxKeywordFiles_Click();
        m_chooserClickRan = false;
    });
    connect(ui->cbxKeywordFiles, &ComboBox::dropDown, this, [this] {
        m_chooserClickRan = false;
        msbSizeComboDropDown(ui->cbxKeywordFiles, height());
    });
    connect(ui->cmdRefresh, &QPushButton::clicked, this, [this] {
        mblnFileKeywordsShown = false;
        reloadList();
    });
    connect(ui->cmdSaveList, &QPushButton::clicked, this, [this] { cmdSaveList_Click(); });
    connect(ui->chkShowSelectedOnly, &QCheckBox::toggled, this, [this] { chkShowSelectedOnly_Click(); });
    connect(ui->cmdCheckAll, &QPushButton::clicked, this, [this] {
        m_trees.checkAll(colors());
        m_treesView->paintAll();
    });
    connect(ui->cmdUnCheckAll, &QPushButton::clicked, this, [this] {
        m_trees.uncheckAll(colors());
        m_treesView->paintAll();
    });
    connect(ui->chkPhotometry, &QCheckBox::toggled, this, [this] { chkPhotometry_Click(); });

    // Search, folders, found files and the run (their handlers live in frmaddkeywords_files.cpp).
    m_found = new FoundFilesView(ui->ltvFoundFiles);
    m_runner = new BatchRunner(this, m_settings);
    connect(m_runner, &BatchRunner::progress, this, &frmAddKeywords::batchProgress);
    connectFileControls();

    Form_Load();
}

frmAddKeywords::~frmAddKeywords() = default;

const std::array<QTreeWidget*, kTreeCount>& frmAddKeywords::trvApplication() const {
    return m_treesView->views();
}

void frmAddKeywords::setProgressDelay(int milliseconds) {
    m_runner->setProgressDelay(milliseconds);
}

SelectColors frmAddKeywords::colors() const {
    return SelectColors{mlngNormalColor, mlngDefaultSelectColor, mlngFileSelectColor};
}

frmView* frmAddKeywords::viewWindow() {
    if (!m_view) {
        m_view = new frmView(this, m_globals, m_settings);
        // The file now holds the saved text: everything shows it as a click on the file
        // would, so that a run that follows starts from it and not from the text before.
        connect(m_view, &frmView::saved, this, [this] {
            msbShowCurrentFile();
            fillView();
            m_found->recheckHeaders();
        });
    }
    return m_view;
}

frmPhotometry* frmAddKeywords::photometryWindow() {
    if (!m_photometry) {
        m_photometry = new frmPhotometry(this, m_settings);
        m_photometry->setFile(mblnFileKeywordsShown ? m_globals.gstrSelectedFile : std::string());
        connect(m_photometry, &frmPhotometry::closed, this, [this] {
            const QSignalBlocker blocker(ui->chkPhotometry);
            ui->chkPhotometry->setChecked(false);
        });
    }
    return m_photometry;
}

void frmAddKeywords::chkPhotometry_Click() {
    if (ui->chkPhotometry->isChecked()) {
        photometryWindow()->show();
        photometryWindow()->raise();
        // The keyboard stays with the main window, as it does for the view window.
        activateWindow();
    } else if (m_photometry) {
        m_photometry->close();
    }
}

MiscPanel frmAddKeywords::miscPanel() const {
    MiscPanel panel;
    panel.chkManufac = ui->chkManufac->isChecked();
    panel.chkSearchSource = ui->chkSearchSource->isChecked();
    panel.chkSearchSPRatio = ui->chkSearchSPRatio->isChecked();
    panel.chkSearchCRI = ui->chkSearchCRI->isChecked();
    panel.chkSearchColorTemp = ui->chkSearchColorTemp->isChecked();
    panel.txtManufac = app::toBytes(ui->txtManufac->text());
    panel.cbxSourceType = app::toBytes(ui->cbxSourceType->currentText());
    panel.txtSearchSPRatio = app::toBytes(ui->txtSearchSPRatio->text());
    panel.txtSearchCRI = app::toBytes(ui->txtSearchCRI->text());
    panel.txtSearchColorTemp = app::toBytes(ui->txtSearchColorTemp->text());
    return panel;
}

// ---- Load, activation, closing

void frmAddKeywords::Form_Load() {
    mlngNormalColor = 0;
    mlngDefaultSelectColor = static_cast<Color>(m_settings.readColor(app::Setting::OrbDefaultSelectColor));
    mlngFileSelectColor = static_cast<Color>(m_settings.readColor(app::Setting::OrbFileSelectColor));
    m_globals.gstrFileLine = emptyFileLines();

    setWindowTitle(QStringLiteral("Tagmere-%1.%2").arg(kVersionMajor).arg(kVersionMinor));

    // Making the factory list current loads and shows it; load it here only when that could not happen.
    msbLoadOrbKeywordFiles();
    msbLoadSourceType();
    if (ui->cbxKeywordFiles->currentIndex() < 0) {
        msbLoadKeywordFile();
        msbDisplayKeywords();
    }

    setUpFoundFiles();
    restoreFolder();
    restorePlacement(this, m_settings, kPlacement);
    ui->chkPhotometry->setChecked(m_settings.readText(app::Setting::OrbPhotometryShown) == QStringLiteral("1"));
    mblnFirstActivation = true;
}

void frmAddKeywords::setUpFoundFiles() {
    QTreeView* list = ui->ltvFoundFiles;
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setRootIsDecorated(false);
    list->setAllColumnsShowFocus(true);
    QPalette palette = list->palette();
    palette.setColor(QPalette::Text, toQColor(mlngFileSelectColor));
    list->setPalette(palette);
    // Only the names are in view; date and folder lie beyond the right edge.
    list->header()->setStretchLastSection(false);
    list->setColumnWidth(0, list->width() - 2 * list->frameWidth());
    list->setColumnWidth(1, 150);
    list->setColumnWidth(2, 400);
}

void frmAddKeywords::restoreFolder() {
    const QString saved = m_settings.readText(app::Setting::FindFilePath_Orb, ui->dirList->path());
    ui->dirList->setPath(saved); // a folder that is gone leaves the list where it was
    ui->drvList->setDriveOf(ui->dirList->path());
}

bool frmAddKeywords::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return QWidget::event(event);
}

void frmAddKeywords::Form_Activate() {
    if (!mblnFirstActivation)
        return;
    mblnFirstActivation = false;
    // Once the window has been drawn. The start file waits for the warning, so its search
    // never runs under the warning's box.
    QMetaObject::invokeMethod(
        this,
        [this] {
            MessageBoxes::show(this, warningMessage(kBackupWarning));
            if (m_startFile.isEmpty())
                return;
            const Status opened = openFile(std::exchange(m_startFile, QString()));
            if (!opened.ok) {
                // Started from a terminal, the refusal is seen there too.
                std::fprintf(stderr, "tagmere: %s\n", opened.description.c_str());
                MessageBoxes::show(this, warningMessage(opened.description));
            }
        },
        Qt::QueuedConnection);
}

void frmAddKeywords::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
}

void frmAddKeywords::Form_QueryUnload() {
    // A search still running ends at its next folder.
    m_stopSearch = true;
    if (m_view)
        m_view->close();
    m_settings.writeText(app::Setting::OrbPhotometryShown,
                         ui->chkPhotometry->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    if (m_photometry && m_photometry->isVisible())
        m_photometry->close();
    m_settings.writeText(app::Setting::FindFilePath_Orb, ui->dirList->path());
    savePlacement(this, m_settings, kPlacement);
    m_settings.sync();
}

// ---- Layout

void frmAddKeywords::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && m_view && m_view->isVisible()) {
        // The two windows are minimised and restored together.
        if (isMinimized())
            m_view->showMinimized();
        else if (m_view->isMinimized())
            m_view->showNormal();
    }
    QWidget::changeEvent(event);
}

void frmAddKeywords::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmAddKeywords::Form_Resize() {
    viewWindow();
    if (!isMinimized() && !isMaximized() && !isFullScreen()) {
        if (width() != layout::kFormWidth || height() < layout::kFormMinHeight)
            resize(layout::kFormWidth, std::max(height(), layout::kFormMinHeight));
    }
    const layout::MainLayout l = layout::mainLayout(height());
    ui->Frame1->resize(ui->Frame1->width(), l.frame1Height);
    for (QTreeWidget* tree : trvApplication())
        tree->resize(tree->width(), l.treeHeight);
    ui->chkShowSelectedOnly->move(ui->chkShowSelectedOnly->x(), l.chkShowSelectedOnlyTop);
    ui->chkPhotometry->move(ui->chkPhotometry->x(), l.chkShowSelectedOnlyTop);
    ui->cmdCheckAll->move(ui->cmdCheckAll->x(), l.cmdCheckAllTop);
    ui->cmdUnCheckAll->move(ui->cmdUnCheckAll->x(), l.cmdCheckAllTop);
    ui->ltvFoundFiles->resize(ui->ltvFoundFiles->width(), l.ltvFoundFilesHeight);
    ui->Label1->move(ui->Label1->x(), l.editModeTop);
    ui->optSingle->move(ui->optSingle->x(), l.editModeTop);
    ui->optBulk->move(ui->optBulk->x(), l.editModeTop);
    ui->chkView->move(ui->chkView->x(), l.chkViewTop);
    ui->fraNonFound->move(ui->fraNonFound->x(), l.fraNonFoundTop);
}

void frmAddKeywords::msbSizeComboDropDown(ComboBox* combo, int availableHeight) {
    const int comboBottom = combo->mapTo(this, QPoint(0, combo->height())).y();
    combo->setDropDownRows(
        layout::comboDropDownRows(combo->count(), availableHeight - comboBottom, combo->dropDownRowHeight()));
}

bool frmAddKeywords::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (auto* box = qobject_cast<QLineEdit*>(watched)) {
            // After the click that gave the focus has placed the cursor.
            QMetaObject::invokeMethod(
                box, [box] { msbSelectAllText(box); }, Qt::QueuedConnection);
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Miscellaneous panel

void frmAddKeywords::msbLoadSourceType() {
    ui->cbxSourceType->clear();
    for (const char* type : kSourceTypes)
        ui->cbxSourceType->addItem(QLatin1String(type));
    ui->cbxSourceType->setCurrentText(QLatin1String(kDefaultSourceType));
}

void frmAddKeywords::paintMiscCaption(QCheckBox* box) {
    const bool ticked = box->isChecked();
    QFont font = box->font();
    font.setBold(ticked);
    box->setFont(font);
    QPalette palette = box->palette();
    const QColor color = toQColor(ticked ? mlngDefaultSelectColor : mlngNormalColor);
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    box->setPalette(palette);
}

void frmAddKeywords::msbClearMisc() {
    mblnFileKeywordsShown = false;
    ui->txtManufac->clear();
    ui->txtSearchSPRatio->clear();
    ui->txtSearchCRI->clear();
    ui->txtSearchColorTemp->clear();
    ui->chkManufac->setChecked(false);
    ui->chkSearchSource->setChecked(false);
    ui->chkSearchSPRatio->setChecked(false);
    ui->chkSearchCRI->setChecked(false);
    ui->chkSearchColorTemp->setChecked(false);
}

void frmAddKeywords::cmdClear_Click() {
    msbClearMisc();
    m_trees.uncheckAll(colors());
    m_treesView->paintAll();
}

// ---- Keyword lists

void frmAddKeywords::msbLoadOrbKeywordFiles() {
    ComboBox* chooser = ui->cbxKeywordFiles;
    {
        // Filling the list makes its first entry current; only the factory list's turn counts.
        const QSignalBlocker blocker(chooser);
        chooser->clear();
        for (const std::string& title : listKeywordFiles(m_globals.gstrKeywordFolder))
            chooser->addItem(app::toQPath(title));
        chooser->setCurrentIndex(-1);
    }
    const int factory = chooser->findText(app::toQPath(mfnFileTitle(m_globals.gstrFactoryKeywordFile)));
    if (factory >= 0)
        chooser->setCurrentIndex(factory);
}

void frmAddKeywords::msbLoadKeywordFile() {
    const ComboBox* chooser = ui->cbxKeywordFiles;
    const std::string title = chooser->currentIndex() >= 0 ? app::fromQPath(chooser->currentText())
                                                           : mfnFileTitle(m_globals.gstrFactoryKeywordFile);
    const ListLoadResult result = tagmere::msbLoadKeywordFile(m_globals.gstrKeywordFolder, title, m_list);
    if (!result.ok)
        MessageBoxes::show(this, plainMessage(result.description));
    else if (result.value)
        MessageBoxes::show(this, *result.value);
}

void frmAddKeywords::cbxKeywordFiles_Click() {
    const QString chosen = ui->cbxKeywordFiles->currentText();
    mblnFileKeywordsShown = false;
    if (chosen != app::toQPath(mfnFileTitle(m_globals.gstrFactoryKeywordFile)))
        ui->txtKeywordFilename->setText(chosen);
    else
        ui->txtKeywordFilename->clear();
    reloadList();
}

void frmAddKeywords::reloadList() {
    msbLoadKeywordFile();
    m_found->deselectAll();
    ui->cmdRefresh->setEnabled(false);
    msbDisplayKeywords();
    msbClearMisc();
    viewWindow()->clearView();
    if (ui->chkShowSelectedOnly->isChecked())
        msbShowSelectedOnly();
}

void frmAddKeywords::cmdSaveList_Click() {
    const AskFunction ask = [this](const Message& message) {
        return MessageBoxes::show(this, message) == QMessageBox::Yes;
    };
    const SaveListResult result =
        saveKeywordList(app::fromQPath(ui->txtKeywordFilename->text()), m_globals.gstrKeywordFolder,
                        m_globals.gstrFactoryKeywordFile, m_trees, m_list, colors(), mblnFileKeywordsShown, ask);
    if (result.rebuilt)
        m_treesView->showAll();
    for (const Message& message : result.messages) {
        if (message.buttons != MessageButtons::YesNo) // the question was asked already
            MessageBoxes::show(this, message);
    }
    if (!result.wrote)
        return;
    msbLoadOrbKeywordFiles();
    const int saved = ui->cbxKeywordFiles->findText(app::toQPath(result.savedTitle));
    if (saved >= 0)
        ui->cbxKeywordFiles->setCurrentIndex(saved);
}

// ---- Keyword trees

void frmAddKeywords::msbDisplayKeywords() {
    m_trees.msbDisplayKeywords(m_list, colors(), mblnFileKeywordsShown);
    m_treesView->showAll();
}

void frmAddKeywords::msbShowSelectedOnly() {
    const bool noneFound = m_trees.msbShowSelectedOnly(m_list, colors(), mblnFileKeywordsShown);
    m_treesView->showAll();
    ui->fraNonFound->setVisible(noneFound);
}

void frmAddKeywords::chkShowSelectedOnly_Click() {
    ui->fraNonFound->hide();
    if (ui->chkShowSelectedOnly->isChecked())
        msbShowSelectedOnly();
    else
        msbDisplayKeywords();
}

} // namespace tagmere::ui
