// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmaddkeywords.h"

#include "core/version.h"
#include "placement.h"

#include "controls.h"
#include "foundfilesview.h"
#include "frmview.h"
#include "layout.h"
#include "messageboxes.h"
#include "photometryview.h"
#include "ui_frmaddkeywords.h"

#include "keywords/savelist.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace tagmere::ui {

namespace {
constexpr int kNodeRole = Qt::UserRole;
constexpr const char* kBackupWarning =
    "Please backup your photometric data before using this utility (there is no undo or cancel button)!";
constexpr PlacementKeys kPlacement{app::Setting::OrbLeft, app::Setting::OrbTop, app::Setting::OrbWidth,
                                   app::Setting::OrbHeight};

long nodeOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kNodeRole).toLongLong() : 0;
}

// The trees are narrow and long values are cut off with "..." there: the tool tip shows
// the whole text of a value that does not fit, and nothing for one that does.
class CutOffTextTip final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || index.data(Qt::ToolTipRole).isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QRect room = view->style()
                               ->subElementRect(QStyle::SE_ItemViewItemText, &item, view)
                               .intersected(view->viewport()->rect());
        // The style keeps a margin on either side of the text.
        const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        if (item.fontMetrics.horizontalAdvance(item.text) + 2 * margin > room.width()) {
            QToolTip::showText(event->globalPos(), item.text, view->viewport(), option.rect);
            return true;
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
};
} // namespace

QColor toQColor(Color color) {
    return QColor(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
                  static_cast<int>((color >> 16) & 0xFFu));
}

void msbSelectAllText(QLineEdit* box) {
    box->setSelection(0, static_cast<int>(box->text().size()));
}

frmAddKeywords::frmAddKeywords(app::AddKeywords& globals, app::Settings& settings, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::frmAddKeywords>()), m_globals(globals), m_settings(settings) {
    ui->setupUi(this);
    // The design's font is 8.25 points; a wider font than the design's gets a little smaller.
    fitFormFont(this, 8.25, 7.0);
    m_trvApplication = {ui->trvApplication_0, ui->trvApplication_1, ui->trvApplication_2};

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

    for (int i = 0; i < kTreeCount; ++i) {
        QTreeWidget* tree = m_trvApplication[static_cast<size_t>(i)];
        tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
        tree->setSelectionMode(QAbstractItemView::SingleSelection);
        tree->setUniformRowHeights(true);
        tree->setItemDelegate(new CutOffTextTip(tree));
        tree->installEventFilter(this);
        connect(tree, &QTreeWidget::itemChanged, this, [this, i](QTreeWidgetItem* item, int) {
            if (!m_showingTrees)
                trvApplication_NodeCheck(i, item);
        });
        connect(tree, &QTreeWidget::itemSelectionChanged, this, [this, i] {
            if (!m_showingTrees)
                trvApplication_SelectionChanged(i);
        });
    }

    // Miscellaneous panel. Its events also run when the program changes a control.
    connect(ui->chkManufac, &QCheckBox::toggled, this, [this] { chkManufac_Click(); });
    connect(ui->chkSearchSource, &QCheckBox::toggled, this, [this] { chkSearchSource_Click(); });
    connect(ui->chkSearchSPRatio, &QCheckBox::toggled, this, [this] { chkSearchSPRatio_Click(); });
    connect(ui->chkSearchCRI, &QCheckBox::toggled, this, [this] { chkSearchCRI_Click(); });
    connect(ui->chkSearchColorTemp, &QCheckBox::toggled, this, [this] { chkSearchColorTemp_Click(); });
    connect(ui->txtManufac, &QLineEdit::textChanged, this, [this] { txtManufac_Change(); });
    connect(ui->txtSearchSPRatio, &QLineEdit::textChanged, this, [this] { txtSearchSPRatio_Change(); });
    connect(ui->txtSearchCRI, &QLineEdit::textChanged, this, [this] { txtSearchCRI_Change(); });
    connect(ui->txtSearchColorTemp, &QLineEdit::textChanged, this, [this] { txtSearchColorTemp_Change(); });
    for (QLineEdit* box :
         {ui->txtManufac, ui->txtSearchSPRatio, ui->txtSearchCRI, ui->txtSearchColorTemp, ui->txtKeywordFilename})
        box->installEventFilter(this);
    connect(ui->cbxSourceType, &ComboBox::dropDown, this, [this] { cbxSourceType_DropDown(); });
    connect(ui->cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
    connect(ui->cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });

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
        cbxKeywordFiles_DropDown();
    });
    connect(ui->cmdRefresh, &QPushButton::clicked, this, [this] { cmdRefresh_Click(); });
    connect(ui->cmdSaveList, &QPushButton::clicked, this, [this] { cmdSaveList_Click(); });
    connect(ui->chkShowSelectedOnly, &QCheckBox::toggled, this, [this] { chkShowSelectedOnly_Click(); });
    connect(ui->cmdCheckAll, &QPushButton::clicked, this, [this] { cmdCheckAll_Click(); });
    connect(ui->cmdUnCheckAll, &QPushButton::clicked, this, [this] { cmdUnCheckAll_Click(); });
    connect(ui->chkPhotometry, &QCheckBox::toggled, this, [this] { chkPhotometry_Click(); });

    // Search, folders, found files and the batch run (their handlers live in frmaddkeywords_files.cpp).
    m_found = new FoundFilesView(ui->ltvFoundFiles);
    connectFileControls();

    Form_Load();
}

frmAddKeywords::~frmAddKeywords() = default;

SelectColors frmAddKeywords::colors() const {
    return SelectColors{mlngNormalColor, mlngDefaultSelectColor, mlngFileSelectColor};
}

frmView* frmAddKeywords::viewWindow() {
    if (!m_view) {
        m_view = new frmView(this, m_globals, m_settings);
        // The file now holds the saved text, which the line buffer does not.
        connect(m_view, &frmView::saved, this, [this] {
            m_bufferState = BufferState::Stale;
            m_found->recheckHeaders();
            if (m_photometry)
                m_photometry->setFile(m_globals.gstrSelectedFile);
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
    panel.txtManufac = toBytes(ui->txtManufac->text());
    panel.cbxSourceType = toBytes(ui->cbxSourceType->currentText());
    panel.txtSearchSPRatio = toBytes(ui->txtSearchSPRatio->text());
    panel.txtSearchCRI = toBytes(ui->txtSearchCRI->text());
    panel.txtSearchColorTemp = toBytes(ui->txtSearchColorTemp->text());
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
    restorePlacement();
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

void frmAddKeywords::restorePlacement() {
    ui::restorePlacement(this, m_settings, kPlacement);
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
    // Once the window has been drawn.
    QMetaObject::invokeMethod(
        this, [this] { showBackupWarning(); }, Qt::QueuedConnection);
}

void frmAddKeywords::showBackupWarning() {
    MessageBoxes::show(this, warningMessage(kBackupWarning));
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

void frmAddKeywords::cmdClose_Click() {
    close();
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
    for (QTreeWidget* tree : m_trvApplication)
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
    } else if (event->type() == QEvent::KeyPress) {
        for (int i = 0; i < kTreeCount; ++i) {
            if (watched != m_trvApplication[static_cast<size_t>(i)])
                continue;
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Delete) {
                trvApplication_KeyDown(i, key->key());
                return true;
            }
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

void frmAddKeywords::chkManufac_Click() {
    paintMiscCaption(ui->chkManufac);
}
void frmAddKeywords::chkSearchSource_Click() {
    paintMiscCaption(ui->chkSearchSource);
}
void frmAddKeywords::chkSearchSPRatio_Click() {
    paintMiscCaption(ui->chkSearchSPRatio);
}
void frmAddKeywords::chkSearchCRI_Click() {
    paintMiscCaption(ui->chkSearchCRI);
}
void frmAddKeywords::chkSearchColorTemp_Click() {
    paintMiscCaption(ui->chkSearchColorTemp);
}

void frmAddKeywords::txtManufac_Change() {
    ui->chkManufac->setChecked(true);
}
void frmAddKeywords::txtSearchSPRatio_Change() {
    ui->chkSearchSPRatio->setChecked(true);
}
void frmAddKeywords::txtSearchCRI_Change() {
    ui->chkSearchCRI->setChecked(true);
}
void frmAddKeywords::txtSearchColorTemp_Change() {
    ui->chkSearchColorTemp->setChecked(true);
}

void frmAddKeywords::cbxSourceType_DropDown() {
    msbSizeComboDropDown(ui->cbxSourceType, height());
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
    for (int i = 0; i < kTreeCount; ++i)
        paintTree(i);
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
        MessageBoxes::show(this, result.message);
    else if (result.warning)
        MessageBoxes::show(this, *result.warning);
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

void frmAddKeywords::cmdRefresh_Click() {
    mblnFileKeywordsShown = false;
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

void frmAddKeywords::cbxKeywordFiles_DropDown() {
    msbSizeComboDropDown(ui->cbxKeywordFiles, height());
}

void frmAddKeywords::cmdSaveList_Click() {
    const AskFunction ask = [this](const Message& message) {
        return MessageBoxes::show(this, message) == QMessageBox::Yes;
    };
    const SaveListResult result =
        saveKeywordList(app::fromQPath(ui->txtKeywordFilename->text()), m_globals.gstrKeywordFolder,
                        m_globals.gstrFactoryKeywordFile, m_trees, m_list, colors(), mblnFileKeywordsShown, ask);
    if (result.rebuilt)
        showTrees();
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
    showTrees();
}

void frmAddKeywords::msbShowSelectedOnly() {
    const bool noneFound = m_trees.msbShowSelectedOnly(m_list, colors(), mblnFileKeywordsShown);
    showTrees();
    ui->fraNonFound->setVisible(noneFound);
}

void frmAddKeywords::chkShowSelectedOnly_Click() {
    ui->fraNonFound->hide();
    if (ui->chkShowSelectedOnly->isChecked())
        msbShowSelectedOnly();
    else
        msbDisplayKeywords();
}

void frmAddKeywords::cmdCheckAll_Click() {
    m_trees.checkAll(colors());
    for (int i = 0; i < kTreeCount; ++i)
        paintTree(i);
}

void frmAddKeywords::cmdUnCheckAll_Click() {
    m_trees.uncheckAll(colors());
    for (int i = 0; i < kTreeCount; ++i)
        paintTree(i);
}

void frmAddKeywords::trvApplication_NodeCheck(int index, QTreeWidgetItem* item) {
    const long n = nodeOf(item);
    const KeywordTree& tree = m_trees.tree(index);
    if (n < 1 || n > tree.count())
        return;
    const bool checked = item->checkState(0) == Qt::Checked;
    if (checked == tree.node(n).Checked)
        return; // not a tick: some other change of the item
    m_trees.nodeCheck(index, n, checked, colors());
    paintTree(index);
}

void frmAddKeywords::trvApplication_SelectionChanged(int index) {
    const QList<QTreeWidgetItem*> selected = m_trvApplication[static_cast<size_t>(index)]->selectedItems();
    m_trees.select(index, selected.isEmpty() ? 0 : nodeOf(selected.front()));
}

void frmAddKeywords::trvApplication_KeyDown(int index, int keyCode) {
    if (keyCode != Qt::Key_Delete)
        return;
    trvApplication_SelectionChanged(index);
    if (m_trees.deleteSelected(index, m_list) > 0)
        showTree(index);
}

void frmAddKeywords::showTrees() {
    for (int i = 0; i < kTreeCount; ++i)
        showTree(i);
}

void frmAddKeywords::paintItem(QTreeWidgetItem* item, const TreeNode& node) {
    item->setText(0, fromBytes(node.Text));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, node.Checked ? Qt::Checked : Qt::Unchecked);
    QFont font = item->treeWidget() ? item->treeWidget()->font() : this->font();
    font.setBold(node.Bold);
    item->setFont(0, font);
    if (node.ForeColor)
        item->setForeground(0, toQColor(*node.ForeColor));
    else
        item->setData(0, Qt::ForegroundRole, QVariant());
    if (node.BackColor)
        item->setBackground(0, toQColor(*node.BackColor));
    else
        item->setData(0, Qt::BackgroundRole, QVariant());
}

void frmAddKeywords::showTree(int index) {
    QTreeWidget* view = m_trvApplication[static_cast<size_t>(index)];
    const KeywordTree& tree = m_trees.tree(index);
    m_showingTrees = true;
    // Built unseen and drawn once.
    view->setUpdatesEnabled(false);
    view->clear();
    QList<QTreeWidgetItem*> roots;
    std::vector<std::pair<QTreeWidgetItem*, long>> items;
    for (long root : tree.rootOrder()) {
        auto* rootItem = new QTreeWidgetItem;
        rootItem->setData(0, kNodeRole, static_cast<qlonglong>(root));
        items.emplace_back(rootItem, root);
        for (long child : tree.children(root)) {
            auto* childItem = new QTreeWidgetItem(rootItem);
            childItem->setData(0, kNodeRole, static_cast<qlonglong>(child));
            items.emplace_back(childItem, child);
        }
        roots.append(rootItem);
    }
    view->addTopLevelItems(roots);
    QTreeWidgetItem* selected = nullptr;
    for (const auto& [item, n] : items) {
        const TreeNode& node = tree.node(n);
        paintItem(item, node);
        item->setExpanded(node.Expanded);
        if (node.Selected)
            selected = item;
    }
    if (selected)
        view->setCurrentItem(selected);
    view->setUpdatesEnabled(true);
    m_showingTrees = false;
}

void frmAddKeywords::paintTree(int index) {
    QTreeWidget* view = m_trvApplication[static_cast<size_t>(index)];
    const KeywordTree& tree = m_trees.tree(index);
    m_showingTrees = true;
    QTreeWidgetItem* selected = nullptr;
    for (QTreeWidgetItemIterator it(view); *it; ++it) {
        const long n = nodeOf(*it);
        if (n < 1 || n > tree.count())
            continue;
        const TreeNode& node = tree.node(n);
        paintItem(*it, node);
        if (node.Selected)
            selected = *it;
    }
    if (selected)
        view->setCurrentItem(selected);
    else
        view->clearSelection();
    m_showingTrees = false;
}

} // namespace tagmere::ui
