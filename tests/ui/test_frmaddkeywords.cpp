#include "guitest.h"
#include "testsupport.h"

#include "keywords/keywordlist.h"
#include "keywords/keywordtree.h"
#include "ui/controls.h"
#include "ui/frmaddkeywords.h"
#include "ui/frmview.h"
#include "ui/layout.h"
#include "ui/program.h"
#include "ui_frmaddkeywords.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include <functional>
#include <memory>

using tagmere::Message;
using tagmere::MessageButtons;
using tagmere::MessageIcon;
using tagmere::app::Setting;
using tagmere::test::MessageRecorder;
using tagmere::test::TempFolder;
using tagmere::ui::frmAddKeywords;
using tagmere::ui::Program;

namespace {
const char* const kBackupWarning =
    "Please backup your photometric data before using this utility (there is no undo or cancel button)!";
const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QString captionOf(const QWidget* widget) {
    if (const auto* box = qobject_cast<const QGroupBox*>(widget))
        return box->title();
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text().isEmpty() ? button->toolTip() : button->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->text();
    return {};
}

std::vector<QTreeWidgetItem*> allItems(QTreeWidget* tree) {
    std::vector<QTreeWidgetItem*> items;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        items.push_back(*it);
    return items;
}

QStringList texts(QTreeWidget* tree) {
    QStringList result;
    for (QTreeWidgetItem* item : allItems(tree))
        result.append(item->text(0));
    return result;
}

// The factory list as shown by the node model alone, tree by tree in display order.
std::array<QStringList, tagmere::kTreeCount> factoryDisplay() {
    tagmere::KeywordList list;
    tagmere::parseKeywordList(tagmere::test::readBytes(TAGMERE_SOURCE_DIR "/data/OrbFactoryKeywords.txt"), list);
    tagmere::KeywordTrees trees;
    trees.msbDisplayKeywords(list, tagmere::SelectColors{}, false);
    std::array<QStringList, tagmere::kTreeCount> result;
    for (int i = 0; i < tagmere::kTreeCount; ++i) {
        for (long n : trees.tree(i).displayOrder())
            result[static_cast<size_t>(i)].append(QString::fromLatin1(trees.tree(i).node(n).Text.c_str()));
    }
    return result;
}

QTreeWidgetItem* firstValueOf(QTreeWidgetItem* keyword) {
    for (int i = 0; i < keyword->childCount(); ++i) {
        if (!keyword->child(i)->text(0).trimmed().isEmpty())
            return keyword->child(i);
    }
    return nullptr;
}
} // namespace

class TestFrmAddKeywords : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstStartWithEmptySettings();
    void controlsOfTheWindow_data();
    void controlsOfTheWindow();
    void settingsWrittenAtCloseAndReadAtNextStart();
    void savedPlacement_data();
    void savedPlacement();
    void colourSettings_data();
    void colourSettings();
    void missingKeywordFolderIsReported();
    void typingTicksAndBoldsItsRow_data();
    void typingTicksAndBoldsItsRow();
    void untickingRestoresTheCaption();
    void gotFocusSelectsAllText();
    void clearResetsPanelAndTrees();
    void tickingAValueTicksItsKeyword();
    void deleteRemovesValueForGood();
    void checkAllAndUncheckAll();
    void saveListRefusals_data();
    void saveListRefusals();
    void saveListBecomesCurrent();
    void saveListOverwriteQuestion();
    void choosingListsFillsTheNameBox();
    void reloadListBringsBackDeletedValue();
    void filterStaysOnForTheNextList();
    void minimisingTakesTheViewWindowAlong();
    void resizeKeepsWidthAndMinimumHeight_data();
    void resizeKeepsWidthAndMinimumHeight();
    void dropDownShowsRowsThatFit();
    void closingClosesTheViewWindow();

private:
    // Starts the program as Main does, on this test's folders, into m_program; returns once
    // the window is active and its backup warning was shown.
    void start();
    frmAddKeywords* window() const { return m_program->window.get(); }
    const Ui::frmAddKeywords& c() const { return window()->controls(); }
    QString keywordFolder() const { return m_data->path().empty() ? QString() : keywordFolderPath(); }
    QString keywordFolderPath() const { return qs(m_data->path()) + QStringLiteral("/Calvex/OrbKeywordFiles"); }
    tagmere::app::Settings settingsStore() const {
        return tagmere::app::Settings(QStringLiteral("Calvex-FileSystem"), QStringLiteral("Calvex-Values"),
                                      qs(m_config->path()));
    }

    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<TempFolder> m_data;
    std::unique_ptr<TempFolder> m_config;
    std::unique_ptr<Program> m_program;
    QString m_dataFolder; // when set, Main gets it instead of the temporary data folder
};

void TestFrmAddKeywords::init() {
    m_messages = std::make_unique<MessageRecorder>();
    m_data = std::make_unique<TempFolder>();
    m_config = std::make_unique<TempFolder>();
    m_dataFolder.clear();
}

void TestFrmAddKeywords::cleanup() {
    m_program.reset();
    m_messages.reset();
    m_data.reset();
    m_config.reset();
}

void TestFrmAddKeywords::start() {
    m_program.reset();
    m_messages->shown.clear();
    tagmere::ui::StartFolders folders;
    folders.dataFolder = m_dataFolder.isEmpty() ? qs(m_data->path()) : m_dataFolder;
    folders.settingsFolder = qs(m_config->path());
    m_program = tagmere::ui::Main(folders);
    if (!QTest::qWaitForWindowActive(window()))
        qWarning("the main window did not become active");
    QTRY_VERIFY_WITH_TIMEOUT(!m_messages->shown.empty() && m_messages->shown.back().text == kBackupWarning, 5000);
}

void TestFrmAddKeywords::firstStartWithEmptySettings() {
    start();
    frmAddKeywords* w = window();

    QCOMPARE(w->windowTitle(), QStringLiteral(TAGMERE_EXPECTED_CAPTION));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(w->size(), QSize(tagmere::ui::layout::kFormWidth, tagmere::ui::layout::kFormMinHeight));
    QCOMPARE(w->pos(), QPoint(screen.x() + screen.width() / 2 - w->width() / 2,
                              screen.y() + screen.height() / 2 - w->height() / 2));

    QCOMPARE(m_messages->shown.size(), size_t(1));
    QCOMPARE(m_messages->shown.front(), tagmere::warningMessage(kBackupWarning));
    // The warning comes at the first activation only.
    QEvent deactivate(QEvent::WindowDeactivate);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(w, &deactivate);
    QCoreApplication::sendEvent(w, &activate);
    QCoreApplication::processEvents();
    QCOMPARE(m_messages->shown.size(), size_t(1));

    // The factory list was installed and is the current list.
    QCOMPARE(QByteArray::fromStdString(tagmere::test::readBytes(
                 (keywordFolderPath() + QStringLiteral("/OrbFactoryKeywords.txt")).toStdString())),
             tagmere::app::factoryListBytes());
    QCOMPARE(c().cbxKeywordFiles->currentText(), QStringLiteral("OrbFactoryKeywords"));
    QCOMPARE(c().txtKeywordFilename->text(), QString());
    QVERIFY(!c().cmdRefresh->isEnabled());

    const auto expected = factoryDisplay();
    for (int i = 0; i < tagmere::kTreeCount; ++i) {
        QVERIFY(!expected[static_cast<size_t>(i)].isEmpty());
        QCOMPARE(texts(w->trvApplication()[static_cast<size_t>(i)]), expected[static_cast<size_t>(i)]);
    }

    QCOMPARE(c().ltvFoundFiles->model()->rowCount(), 0);
    QCOMPARE(c().ltvFoundFiles->model()->columnCount(), 3);
    QCOMPARE(c().ltvFoundFiles->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
    QCOMPARE(c().ltvFoundFiles->palette().color(QPalette::Text), kBlack);

    // The folder list keeps the folder it showed at load; the drive list holds its drive.
    QCOMPARE(c().dirList->path(), QDir::currentPath());
    QCOMPARE(c().drvList->drive(), tagmere::ui::DriveListBox::driveOf(QDir::currentPath()));
}

void TestFrmAddKeywords::controlsOfTheWindow_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("visible");
    const auto row = [](const char* name, const char* kind, const char* container, const char* caption, int left,
                        int top, bool enabled = true, bool visible = true) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind) << QString::fromLatin1(container)
                            << QString::fromLatin1(caption) << left << top << enabled << visible;
    };
    // Places at design height, in pixels (twips / 15).
    row("fraFindFile", "QGroupBox", "frmAddKeywords", "Search Location", 4, 0);
    row("labFindFile_2", "QLabel", "fraFindFile", "Drive to Search:", 8, 20);
    row("drvList", "QComboBox", "fraFindFile", "", 92, 20);
    row("labFindFile_4", "QLabel", "fraFindFile", "Starting Folder (double-click to open):", 8, 48);
    row("dirList", "QTreeWidget", "fraFindFile", "", 8, 64);
    row("cmdFind", "QPushButton", "fraFindFile", "Search", 160, 344);
    row("cmdCheck", "QPushButton", "frmAddKeywords", "Check All Files", 200, 376, false);
    row("cmdUncheck", "QPushButton", "frmAddKeywords", "Uncheck All Files", 228, 376, false);
    row("labFindFile_3", "QLabel", "frmAddKeywords", "Files Found:", 8, 380);
    row("labCount", "QLabel", "frmAddKeywords", "", 72, 380);
    row("ltvFoundFiles", "QTreeView", "frmAddKeywords", "", 4, 400);
    row("Label1", "QLabel", "frmAddKeywords", "Edit Mode:", 8, 672);
    row("optSingle", "QRadioButton", "frmAddKeywords", "Single", 68, 672);
    row("optBulk", "QRadioButton", "frmAddKeywords", "Bulk", 128, 672);
    row("chkView", "QCheckBox", "frmAddKeywords", "View / Edit", 184, 668);
    row("fraMisc", "QGroupBox", "frmAddKeywords", "Miscellaneous", 260, 4);
    row("chkManufac", "QCheckBox", "fraMisc", "[MANUFAC]", 12, 16);
    row("txtManufac", "QLineEdit", "fraMisc", "", 204, 16);
    row("chkSearchSource", "QCheckBox", "fraMisc", "[_SEARCH_SOURCETYPE]", 12, 42);
    row("cbxSourceType", "QComboBox", "fraMisc", "", 204, 40);
    row("chkSearchSPRatio", "QCheckBox", "fraMisc", "[_SEARCH_SP_RATIO]", 12, 68);
    row("txtSearchSPRatio", "QLineEdit", "fraMisc", "", 204, 68);
    row("chkSearchCRI", "QCheckBox", "fraMisc", "[_SEARCH_CRI]", 12, 92);
    row("txtSearchCRI", "QLineEdit", "fraMisc", "", 204, 92);
    row("chkSearchColorTemp", "QCheckBox", "fraMisc", "[_SEARCH_COLORTEMP]", 12, 116);
    row("txtSearchColorTemp", "QLineEdit", "fraMisc", "", 204, 116);
    row("cmdAddKeywords", "QPushButton", "frmAddKeywords", "Add/Replace Selected Keywords In Selected File(s)", 816,
        68);
    row("cmdClear", "QPushButton", "frmAddKeywords", "Clear", 816, 128);
    row("cmdClose", "QPushButton", "frmAddKeywords", "Close", 916, 8);
    row("Frame1", "QGroupBox", "frmAddKeywords", "Search Keywords With Values List (Check All That Apply)", 260, 152);
    row("labOrb_0", "QLabel", "Frame1", "Load List", 12, 20);
    row("cbxKeywordFiles", "QComboBox", "Frame1", "", 68, 20);
    row("cmdRefresh", "QPushButton", "Frame1", "Reload list", 284, 20, false);
    row("labCalvex_0", "QLabel", "Frame1", "Save List As", 380, 20);
    row("txtKeywordFilename", "QLineEdit", "Frame1", "", 452, 20);
    row("cmdSaveList", "QPushButton", "Frame1", "Save", 648, 20);
    row("trvApplication_0", "QTreeWidget", "Frame1", "", 8, 48);
    row("trvApplication_1", "QTreeWidget", "Frame1", "", 252, 48);
    row("trvApplication_2", "QTreeWidget", "Frame1", "", 496, 48);
    row("fraNonFound", "QFrame", "Frame1", "", 140, 510, true, false);
    row("labCalvex_1", "QLabel", "fraNonFound", "No Selected Values Found", 36, 8);
    row("Image1", "QLabel", "fraNonFound", "", 8, 5);
    row("chkShowSelectedOnly", "QCheckBox", "Frame1", "Show Selected Only", 8, 516);
    row("cmdCheckAll", "QPushButton", "Frame1", "Check All", 540, 512);
    row("cmdUnCheckAll", "QPushButton", "Frame1", "Uncheck All", 648, 512);
    row("lstFileList", "QListWidget", "frmAddKeywords", "", 672, 60, true, false);
    row("txtFileSpec", "QLineEdit", "frmAddKeywords", "*.ies", 672, 16, true, false);
}

void TestFrmAddKeywords::controlsOfTheWindow() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, container);
    QFETCH(QString, caption);
    QFETCH(bool, enabled);
    QFETCH(bool, visible);
    start();
    const auto* control = window()->findChild<QWidget*>(name);
    QVERIFY(control);
    QVERIFY2(control->inherits(kind.toLatin1().constData()), control->metaObject()->className());
    QCOMPARE(control->parentWidget()->objectName(), container);
    QCOMPARE(captionOf(control), caption);
    QTEST(control->x(), "left");
    QTEST(control->y(), "top");
    QCOMPARE(control->isEnabled(), enabled);
    QCOMPARE(control->isVisibleTo(control->parentWidget()), visible);
    if (visible) {
        // Nothing sticks out of its container.
        QVERIFY(control->parentWidget()->rect().contains(control->geometry()));
    }
}

void TestFrmAddKeywords::settingsWrittenAtCloseAndReadAtNextStart() {
    m_data->write("photometry/ies/a.ies", "TILT=NONE\r\n");
    const QString folder = QDir(qs(m_data->path())).canonicalPath() + QStringLiteral("/photometry");

    start();
    QVERIFY(c().optSingle->isChecked());
    QVERIFY(!c().optBulk->isChecked());
    QVERIFY(c().chkView->isChecked());
    window()->move(150, 120);
    window()->resize(tagmere::ui::layout::kFormWidth, 800);
    QVERIFY(c().dirList->setPath(folder));
    QCOMPARE(window()->pos(), QPoint(150, 120));
    c().cmdClose->click();
    QVERIFY(!window()->isVisible());

    {
        const tagmere::app::Settings stored = settingsStore();
        QCOMPARE(stored.readInt(Setting::OrbLeft, 0), 150 * 15);
        QCOMPARE(stored.readInt(Setting::OrbTop, 0), 120 * 15);
        QCOMPARE(stored.readInt(Setting::OrbHeight, 0), 800 * 15);
        QCOMPARE(stored.readInt(Setting::OrbWidth, 0), 15120);
        QCOMPARE(stored.readText(Setting::FindFilePath_Orb, QString()), folder);
    }
    // The colours are only read.
    const std::string written = tagmere::test::readBytes(m_config->file("Calvex-FileSystem.ini"));
    QVERIFY2(written.find("Color") == std::string::npos, written.c_str());
    m_program.reset();

    start();
    QCOMPARE(m_messages->shown.size(), size_t(1));
    QCOMPARE(window()->pos(), QPoint(150, 120));
    QCOMPARE(window()->size(), QSize(tagmere::ui::layout::kFormWidth, 800));
    QCOMPARE(c().dirList->path(), folder);
    QCOMPARE(c().drvList->drive(), tagmere::ui::DriveListBox::driveOf(folder));
    QCOMPARE(c().Frame1->height(), 800 - 156);
}

void TestFrmAddKeywords::savedPlacement_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("centred");
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("height");
    QTest::newRow("left never saved") << QByteArray("OrbLeft=-99\nOrbTop=1500\n") << true << QPoint() << 697;
    QTest::newRow("off the screen is applied")
        << QByteArray("OrbLeft=-30000\nOrbTop=90000\n") << false << QPoint(-2000, 6000) << 697;
    QTest::newRow("size of nothing grows to the minimum")
        << QByteArray("OrbLeft=0\nOrbTop=0\nOrbHeight=0\nOrbWidth=0\n") << false << QPoint(0, 0) << 697;
    QTest::newRow("words count as 0") << QByteArray("OrbLeft=abc\nOrbTop=15\nOrbHeight=tall\n") << false << QPoint(0, 1)
                                      << 697;
    QTest::newRow("taller") << QByteArray("OrbLeft=300\nOrbTop=450\nOrbHeight=13500\n") << false << QPoint(20, 30)
                            << 900;
}

void TestFrmAddKeywords::savedPlacement() {
    QFETCH(QByteArray, stored);
    QFETCH(bool, centred);
    QFETCH(QPoint, pos);
    QFETCH(int, height);
    m_config->write("Calvex-FileSystem.ini", "[Startup]\n" + stored.toStdString());
    start();
    if (centred) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        pos = QPoint(screen.x() + screen.width() / 2 - tagmere::ui::layout::kFormWidth / 2,
                     screen.y() + screen.height() / 2 - tagmere::ui::layout::kFormMinHeight / 2);
    }
    QCOMPARE(window()->pos(), pos);
    QCOMPARE(window()->height(), height);
    QCOMPARE(window()->width(), tagmere::ui::layout::kFormWidth);
}

void TestFrmAddKeywords::colourSettings_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QColor>("ticked");
    QTest::addColumn<QColor>("fileColour");
    QTest::newRow("defaults") << QByteArray() << kRed << kBlack;
    QTest::newRow("blue ticks, green file text")
        << QByteArray("OrbDefaultSelectColor=16711680\nOrbFileSelectColor=32768\n") << QColor(0, 0, 255)
        << QColor(0, 128, 0);
    QTest::newRow("words fall back") << QByteArray("OrbDefaultSelectColor=blue\nOrbFileSelectColor=x\n") << kRed
                                     << kBlack;
}

void TestFrmAddKeywords::colourSettings() {
    QFETCH(QByteArray, stored);
    QFETCH(QColor, ticked);
    QFETCH(QColor, fileColour);
    if (!stored.isEmpty())
        m_config->write("Calvex-FileSystem.ini", "[Startup]\n" + stored.toStdString());
    start();
    QTest::keyClicks(c().txtManufac, QStringLiteral("ACME"));
    QCOMPARE(c().chkManufac->palette().color(QPalette::WindowText), ticked);
    QCOMPARE(c().ltvFoundFiles->palette().color(QPalette::Text), fileColour);

    QTreeWidgetItem* keyword = window()->trvApplication()[0]->topLevelItem(0);
    tagmere::test::clickCheckBox(window()->trvApplication()[0], keyword);
    QCOMPARE(keyword->checkState(0), Qt::Checked);
    QCOMPARE(keyword->foreground(0).color(), ticked);
}

void TestFrmAddKeywords::missingKeywordFolderIsReported() {
    // A file where the data folder should be: no keyword folder can be made.
    m_data->write("blocked", "not a folder");
    m_dataFolder = qs(m_data->file("blocked"));
    start();
    QCOMPARE(m_messages->shown.size(), size_t(2));
    const Message& failure = m_messages->shown.front();
    QVERIFY2(failure.text.rfind("Unable to read keyword file: ", 0) == 0, failure.text.c_str());
    QCOMPARE(c().cbxKeywordFiles->count(), 0);
    for (QTreeWidget* tree : window()->trvApplication())
        QCOMPARE(tree->topLevelItemCount(), 0);
    QVERIFY(window()->isVisible());
}

void TestFrmAddKeywords::typingTicksAndBoldsItsRow_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("typed");
    QTest::newRow("cri") << QStringLiteral("txtSearchCRI") << QStringLiteral("chkSearchCRI") << QStringLiteral("70-80");
    QTest::newRow("manufac") << QStringLiteral("txtManufac") << QStringLiteral("chkManufac") << QStringLiteral("ACME");
    QTest::newRow("sp ratio") << QStringLiteral("txtSearchSPRatio") << QStringLiteral("chkSearchSPRatio")
                              << QStringLiteral("0.5");
    QTest::newRow("colour temperature") << QStringLiteral("txtSearchColorTemp") << QStringLiteral("chkSearchColorTemp")
                                        << QStringLiteral("4000K");
}

void TestFrmAddKeywords::typingTicksAndBoldsItsRow() {
    QFETCH(QString, box);
    QFETCH(QString, check);
    QFETCH(QString, typed);
    start();
    auto* edit = window()->findChild<QLineEdit*>(box);
    auto* tick = window()->findChild<QCheckBox*>(check);
    QVERIFY(edit && tick);
    QVERIFY(!tick->isChecked());
    QVERIFY(!tick->font().bold());

    QTest::keyClicks(edit, typed);
    QVERIFY(tick->isChecked());
    QVERIFY(tick->font().bold());
    QCOMPARE(tick->palette().color(QPalette::WindowText), kRed);
    QCOMPARE(edit->text(), typed);
    // Only its own row.
    for (QCheckBox* other :
         {c().chkManufac, c().chkSearchSource, c().chkSearchSPRatio, c().chkSearchCRI, c().chkSearchColorTemp}) {
        if (other != tick)
            QVERIFY2(!other->isChecked(), qPrintable(other->objectName()));
    }
    // Choosing a source type ticks nothing.
    c().cbxSourceType->setCurrentText(QStringLiteral("MH"));
    QVERIFY(!c().chkSearchSource->isChecked());

    const tagmere::MiscPanel panel = window()->miscPanel();
    QCOMPARE(panel.cbxSourceType, std::string("MH"));
    QCOMPARE(panel.chkSearchCRI, check == QStringLiteral("chkSearchCRI"));
}

void TestFrmAddKeywords::untickingRestoresTheCaption() {
    start();
    QTest::keyClicks(c().txtSearchCRI, QStringLiteral("70"));
    QVERIFY(c().chkSearchCRI->isChecked());
    c().chkSearchCRI->click();
    QVERIFY(!c().chkSearchCRI->isChecked());
    QVERIFY(!c().chkSearchCRI->font().bold());
    QCOMPARE(c().chkSearchCRI->palette().color(QPalette::WindowText), kBlack);
    QCOMPARE(c().txtSearchCRI->text(), QStringLiteral("70"));
    c().chkSearchSource->click();
    QVERIFY(c().chkSearchSource->font().bold());
    QCOMPARE(c().chkSearchSource->palette().color(QPalette::WindowText), kRed);
}

void TestFrmAddKeywords::gotFocusSelectsAllText() {
    start();
    for (QLineEdit* box :
         {c().txtManufac, c().txtSearchSPRatio, c().txtSearchCRI, c().txtSearchColorTemp, c().txtKeywordFilename}) {
        c().cmdClose->setFocus(Qt::OtherFocusReason);
        box->setText(QStringLiteral("some text"));
        box->deselect();
        // A mouse click gives the focus without the toolkit's own select-all.
        box->setFocus(Qt::MouseFocusReason);
        QTRY_COMPARE(box->selectedText(), QStringLiteral("some text"));
    }
}

void TestFrmAddKeywords::clearResetsPanelAndTrees() {
    start();
    QTest::keyClicks(c().txtManufac, QStringLiteral("ACME"));
    QTest::keyClicks(c().txtSearchSPRatio, QStringLiteral("1.2"));
    QTest::keyClicks(c().txtSearchCRI, QStringLiteral("80"));
    QTest::keyClicks(c().txtSearchColorTemp, QStringLiteral("3000K"));
    c().chkSearchSource->click();
    c().cbxSourceType->setCurrentText(QStringLiteral("OLED"));
    QTreeWidget* tree = window()->trvApplication()[1];
    QTreeWidgetItem* value = firstValueOf(tree->topLevelItem(0));
    tagmere::test::clickCheckBox(tree, value);
    QCOMPARE(value->checkState(0), Qt::Checked);

    c().cmdClear->click();

    for (QLineEdit* box : {c().txtManufac, c().txtSearchSPRatio, c().txtSearchCRI, c().txtSearchColorTemp})
        QCOMPARE(box->text(), QString());
    for (QCheckBox* box :
         {c().chkManufac, c().chkSearchSource, c().chkSearchSPRatio, c().chkSearchCRI, c().chkSearchColorTemp}) {
        QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
        QVERIFY(!box->font().bold());
        QCOMPARE(box->palette().color(QPalette::WindowText), kBlack);
    }
    QCOMPARE(c().cbxSourceType->currentText(), QStringLiteral("OLED"));
    for (QTreeWidget* view : window()->trvApplication()) {
        for (QTreeWidgetItem* item : allItems(view)) {
            QCOMPARE(item->checkState(0), Qt::Unchecked);
            QVERIFY(!item->font(0).bold());
        }
    }
    QVERIFY(window()->keywordTrees().tickedTexts().empty());
}

void TestFrmAddKeywords::tickingAValueTicksItsKeyword() {
    start();
    QTreeWidget* tree = window()->trvApplication()[0];
    QTreeWidgetItem* keyword = tree->topLevelItem(0);
    QTreeWidgetItem* value = firstValueOf(keyword);
    QVERIFY(value);
    QCOMPARE(keyword->checkState(0), Qt::Unchecked);

    tagmere::test::clickCheckBox(tree, value);
    QCOMPARE(value->checkState(0), Qt::Checked);
    QCOMPARE(keyword->checkState(0), Qt::Checked);
    QVERIFY(value->font(0).bold());
    QVERIFY(keyword->font(0).bold());
    QCOMPARE(value->foreground(0).color(), kRed);
    QCOMPARE(keyword->foreground(0).color(), kRed);
    QCOMPARE(tree->currentItem(), value);
    QVERIFY(!value->flags().testFlag(Qt::ItemIsEditable));
    QCOMPARE(tree->editTriggers(), QAbstractItemView::NoEditTriggers);
    const std::vector<std::string> ticked{keyword->text(0).toStdString(), value->text(0).toStdString()};
    QCOMPARE(window()->keywordTrees().tickedTexts(), ticked);

    // Unticking the value leaves its keyword ticked.
    tagmere::test::clickCheckBox(tree, value);
    QCOMPARE(value->checkState(0), Qt::Unchecked);
    QVERIFY(!value->font(0).bold());
    QCOMPARE(value->foreground(0).color(), kBlack);
    QCOMPARE(keyword->checkState(0), Qt::Checked);
}

void TestFrmAddKeywords::deleteRemovesValueForGood() {
    start();
    QTreeWidget* tree = window()->trvApplication()[0];
    const QString keywordText = tree->topLevelItem(0)->text(0);
    QTreeWidgetItem* value = firstValueOf(tree->topLevelItem(0));
    const QString valueText = value->text(0);
    const int before = static_cast<int>(allItems(tree).size());

    tree->setFocus();
    tree->setCurrentItem(value);
    QTest::keyClick(tree, Qt::Key_Delete);

    const auto childTexts = [&] {
        QStringList result;
        QTreeWidgetItem* keyword = tree->findItems(keywordText, Qt::MatchExactly).value(0);
        for (int i = 0; keyword && i < keyword->childCount(); ++i)
            result.append(keyword->child(i)->text(0));
        return result;
    };
    QCOMPARE(static_cast<int>(allItems(tree).size()), before - 1);
    QVERIFY(!childTexts().contains(valueText));
    const std::vector<std::string>& entries = window()->keywordList().mstrListEntry;
    QCOMPARE(std::count(entries.begin(), entries.end(), std::string("REMOVE")), 1L);

    c().chkShowSelectedOnly->click();
    QVERIFY(c().fraNonFound->isVisibleTo(window()));
    for (QTreeWidget* view : window()->trvApplication())
        QCOMPARE(view->topLevelItemCount(), 0);
    c().chkShowSelectedOnly->click();
    QVERIFY(!c().fraNonFound->isVisibleTo(window()));
    QCOMPARE(static_cast<int>(allItems(tree).size()), before - 1);
    QVERIFY(!childTexts().contains(valueText));
}

void TestFrmAddKeywords::checkAllAndUncheckAll() {
    start();
    size_t nodes = 0;
    for (QTreeWidget* view : window()->trvApplication())
        nodes += allItems(view).size();
    c().cmdCheckAll->click();
    QCOMPARE(window()->keywordTrees().tickedTexts().size(), nodes);
    QTreeWidgetItem* item = window()->trvApplication()[2]->topLevelItem(0);
    QCOMPARE(item->checkState(0), Qt::Checked);
    QVERIFY(item->font(0).bold());
    QCOMPARE(item->foreground(0).color(), kRed);
    c().cmdUnCheckAll->click();
    QVERIFY(window()->keywordTrees().tickedTexts().empty());
    QCOMPARE(item->checkState(0), Qt::Unchecked);
    QVERIFY(!item->font(0).bold());
}

void TestFrmAddKeywords::saveListRefusals_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("empty name") << QString() << QByteArray("Please enter a filename.");
    QTest::newRow("factory name") << QStringLiteral("OrbFactoryKeywords")
                                  << QByteArray(
                                         "Cannot overwrite factory keyword file. Please change name and try again.");
}

void TestFrmAddKeywords::saveListRefusals() {
    QFETCH(QString, name);
    QFETCH(QByteArray, message);
    start();
    const std::string folder = keywordFolderPath().toStdString();
    const std::string factoryBefore = tagmere::test::readBytes(folder + "/OrbFactoryKeywords.txt");
    const std::vector<std::string> filesBefore = tagmere::test::listFolder(folder);

    c().txtKeywordFilename->setText(name);
    c().cmdSaveList->click();

    QCOMPARE(m_messages->shown.size(), size_t(2));
    QCOMPARE(m_messages->shown.back(), tagmere::warningMessage(message.toStdString()));
    QCOMPARE(tagmere::test::listFolder(folder), filesBefore);
    QCOMPARE(tagmere::test::readBytes(folder + "/OrbFactoryKeywords.txt"), factoryBefore);
    QCOMPARE(c().cbxKeywordFiles->currentText(), QStringLiteral("OrbFactoryKeywords"));
}

void TestFrmAddKeywords::saveListBecomesCurrent() {
    start();
    QTreeWidget* tree = window()->trvApplication()[0];
    QTreeWidgetItem* value = firstValueOf(tree->topLevelItem(0));
    const QString keywordText = tree->topLevelItem(0)->text(0);
    const QString valueText = value->text(0);
    tagmere::test::clickCheckBox(tree, value);

    c().txtKeywordFilename->setText(QStringLiteral("Mine"));
    c().cmdSaveList->click();

    QCOMPARE(m_messages->shown.size(), size_t(1)); // the warning at start only
    const std::string saved = tagmere::test::readBytes(keywordFolderPath().toStdString() + "/Mine.txt");
    const std::string expectedTail =
        "<SelectedValues>\r\n" + keywordText.toStdString() + "\r\n" + valueText.toStdString() + "\r\n";
    QVERIFY2(saved.size() > expectedTail.size() &&
                 saved.compare(saved.size() - expectedTail.size(), expectedTail.size(), expectedTail) == 0,
             saved.c_str());
    QCOMPARE(c().cbxKeywordFiles->currentText(), QStringLiteral("Mine"));
    QCOMPARE(c().txtKeywordFilename->text(), QStringLiteral("Mine"));
    QVERIFY(!c().cmdRefresh->isEnabled());
    QCOMPARE(c().cbxKeywordFiles->findText(QStringLiteral("OrbFactoryKeywords")) >= 0, true);
    // Loaded back from the file: its remembered selection is ticked.
    QTreeWidgetItem* keyword = tree->findItems(keywordText, Qt::MatchExactly).value(0);
    QVERIFY(keyword);
    QCOMPARE(keyword->checkState(0), Qt::Checked);
    QCOMPARE(firstValueOf(keyword)->checkState(0), Qt::Checked);
}

void TestFrmAddKeywords::saveListOverwriteQuestion() {
    start();
    c().txtKeywordFilename->setText(QStringLiteral("Mine"));
    c().cmdSaveList->click();
    const std::string path = keywordFolderPath().toStdString() + "/Mine.txt";
    const std::string first = tagmere::test::readBytes(path);
    QVERIFY(!first.empty());

    c().cmdCheckAll->click();
    m_messages->answers.push_back(QMessageBox::No);
    c().cmdSaveList->click();
    QCOMPARE(m_messages->shown.back(), tagmere::question("Keyword file already exists, do you want to overwrite?"));
    QCOMPARE(tagmere::test::readBytes(path), first);
    // A refused save still shows every node, ticked as before.
    QVERIFY(window()->trvApplication()[0]->topLevelItem(0)->checkState(0) == Qt::Checked);

    const size_t shownBefore = m_messages->shown.size();
    m_messages->answers.push_back(QMessageBox::Yes);
    c().cmdSaveList->click();
    QCOMPARE(m_messages->shown.size(), shownBefore + 1);
    QCOMPARE(m_messages->shown.back().buttons, MessageButtons::YesNo);
    QCOMPARE(m_messages->shown.back().icon, MessageIcon::Question);
    const std::string second = tagmere::test::readBytes(path);
    QVERIFY(second != first);
    QVERIFY(second.size() > first.size()); // every node now in the selected section
    QCOMPARE(c().cbxKeywordFiles->currentText(), QStringLiteral("Mine"));
    for (QTreeWidgetItem* item : allItems(window()->trvApplication()[0])) {
        if (!item->text(0).trimmed().isEmpty())
            QCOMPARE(item->checkState(0), Qt::Checked);
    }
}

void TestFrmAddKeywords::choosingListsFillsTheNameBox() {
    m_data->write("Calvex/OrbKeywordFiles/Shop.txt", "[_SHOP], 1\r\nSHELF\r\nCOUNTER\r\n<SelectedValues>\r\nSHELF\r\n");
    start();
    QCOMPARE(c().cbxKeywordFiles->currentText(), QStringLiteral("OrbFactoryKeywords"));
    c().txtSearchCRI->setText(QStringLiteral("70"));

    c().cbxKeywordFiles->setCurrentIndex(c().cbxKeywordFiles->findText(QStringLiteral("Shop")));
    QCOMPARE(c().txtKeywordFilename->text(), QStringLiteral("Shop"));
    QCOMPARE(texts(window()->trvApplication()[0]), QStringList());
    QCOMPARE(texts(window()->trvApplication()[1]),
             QStringList({QStringLiteral("[_SHOP]"), QStringLiteral("SHELF"), QStringLiteral("COUNTER")}));
    QTreeWidgetItem* shelf = window()->trvApplication()[1]->topLevelItem(0)->child(0);
    QCOMPARE(shelf->checkState(0), Qt::Checked);
    QCOMPARE(shelf->foreground(0).color(), kRed);
    // A new list clears the panel.
    QCOMPARE(c().txtSearchCRI->text(), QString());
    QVERIFY(!c().chkSearchCRI->isChecked());

    c().cbxKeywordFiles->setCurrentIndex(c().cbxKeywordFiles->findText(QStringLiteral("OrbFactoryKeywords")));
    QCOMPARE(c().txtKeywordFilename->text(), QString());
}

void TestFrmAddKeywords::reloadListBringsBackDeletedValue() {
    start();
    QTreeWidget* tree = window()->trvApplication()[0];
    const QStringList before = texts(tree);
    const auto deleteFirstValue = [&] {
        tree->setFocus();
        tree->setCurrentItem(firstValueOf(tree->topLevelItem(0)));
        QTest::keyClick(tree, Qt::Key_Delete);
        QCOMPARE(texts(tree).size(), before.size() - 1);
    };
    deleteFirstValue();
    c().cmdRefresh->setEnabled(true); // as after showing a file's keywords
    c().cmdRefresh->click();
    QCOMPARE(texts(tree), before);
    QVERIFY(!c().cmdRefresh->isEnabled());

    // Picking the current list again in the drop-down reloads it too.
    deleteFirstValue();
    tagmere::ui::ComboBox* chooser = c().cbxKeywordFiles;
    chooser->showPopup();
    QVERIFY(chooser->view()->isVisible());
    QTest::keyClick(chooser->view(), Qt::Key_Return);
    QCOMPARE(chooser->currentText(), QStringLiteral("OrbFactoryKeywords"));
    QCOMPARE(texts(tree), before);
}

void TestFrmAddKeywords::filterStaysOnForTheNextList() {
    m_data->write("Calvex/OrbKeywordFiles/Shop.txt",
                  "[_SHOP], 0\r\nSHELF\r\nCOUNTER\r\n<SelectedValues>\r\n[_SHOP]\r\nSHELF\r\n");
    start();
    c().chkShowSelectedOnly->click();
    QVERIFY(c().fraNonFound->isVisibleTo(window()));
    c().cbxKeywordFiles->setCurrentIndex(c().cbxKeywordFiles->findText(QStringLiteral("Shop")));
    QVERIFY(c().chkShowSelectedOnly->isChecked());
    QCOMPARE(texts(window()->trvApplication()[0]), QStringList({QStringLiteral("[_SHOP]"), QStringLiteral("SHELF")}));
    QVERIFY(!c().fraNonFound->isVisibleTo(window()));
}

void TestFrmAddKeywords::minimisingTakesTheViewWindowAlong() {
    start();
    tagmere::ui::frmView* view = window()->viewWindow();
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    window()->showMinimized();
    QTRY_VERIFY(view->isMinimized());
    window()->showNormal();
    QTRY_VERIFY(!view->isMinimized());
    QVERIFY(view->isVisible());
}

void TestFrmAddKeywords::resizeKeepsWidthAndMinimumHeight_data() {
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<int>("height");
    QTest::newRow("lower snaps back to the minimum") << QSize(1008, 500) << 697;
    QTest::newRow("taller") << QSize(1008, 900) << 900;
    QTest::newRow("wider keeps the width") << QSize(1300, 800) << 800;
}

void TestFrmAddKeywords::resizeKeepsWidthAndMinimumHeight() {
    QFETCH(QSize, requested);
    QFETCH(int, height);
    start();
    window()->resize(requested);
    QTRY_COMPARE(window()->height(), height);
    QCOMPARE(window()->width(), tagmere::ui::layout::kFormWidth);
    const tagmere::ui::layout::MainLayout l = tagmere::ui::layout::mainLayout(height);
    QCOMPARE(c().Frame1->height(), l.frame1Height);
    for (QTreeWidget* tree : window()->trvApplication())
        QCOMPARE(tree->height(), l.treeHeight);
    QCOMPARE(c().chkShowSelectedOnly->y(), l.chkShowSelectedOnlyTop);
    QCOMPARE(c().cmdCheckAll->y(), l.cmdCheckAllTop);
    QCOMPARE(c().cmdUnCheckAll->y(), l.cmdCheckAllTop);
    QCOMPARE(c().ltvFoundFiles->height(), l.ltvFoundFilesHeight);
    QCOMPARE(c().Label1->y(), l.editModeTop);
    QCOMPARE(c().optSingle->y(), l.editModeTop);
    QCOMPARE(c().optBulk->y(), l.editModeTop);
    QCOMPARE(c().chkView->y(), l.chkViewTop);
    QCOMPARE(c().fraNonFound->y(), l.fraNonFoundTop);
    // The notice lies between the trees and the frame's bottom; the bottom row stays inside
    // the window, and nothing moves sideways.
    QVERIFY(c().fraNonFound->geometry().top() > c().trvApplication_0->geometry().bottom());
    QVERIFY(c().fraNonFound->geometry().bottom() < c().Frame1->height() - 1);
    QVERIFY(c().chkView->geometry().bottom() < window()->height());
    QCOMPARE(c().Frame1->x(), 260);
    QCOMPARE(c().trvApplication_2->x(), 496);
}

void TestFrmAddKeywords::dropDownShowsRowsThatFit() {
    for (int i = 0; i < 14; ++i)
        m_data->write("Calvex/OrbKeywordFiles/List" + std::to_string(i) + ".txt", "[_K], 0\r\nV\r\n");
    start();
    tagmere::ui::ComboBox* chooser = c().cbxKeywordFiles;
    QCOMPARE(chooser->count(), 15);
    chooser->showPopup();
    const int room = window()->height() - chooser->mapTo(window(), QPoint(0, chooser->height())).y();
    const int rows = tagmere::ui::layout::comboDropDownRows(15, room, chooser->dropDownRowHeight());
    QVERIFY(rows > 8);
    QCOMPARE(chooser->maxVisibleItems(), rows);
    chooser->hidePopup();

    tagmere::ui::ComboBox* types = c().cbxSourceType;
    QCOMPARE(types->count(), 13);
    QCOMPARE(types->currentText(), QStringLiteral("LED"));
    types->showPopup();
    QCOMPARE(types->maxVisibleItems(), 13);
    types->hidePopup();
}

void TestFrmAddKeywords::closingClosesTheViewWindow() {
    start();
    tagmere::ui::frmView* view = window()->viewWindow();
    QCOMPARE(view->windowTitle(), QStringLiteral("IES File View / Edit"));
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    window()->close();
    QVERIFY(!view->isVisible());
    QVERIFY(!window()->isVisible());
}

QTEST_MAIN(TestFrmAddKeywords)
#include "test_frmaddkeywords.moc"
