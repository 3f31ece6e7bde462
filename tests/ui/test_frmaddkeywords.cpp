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
    void settingsWrittenAtCloseAndReadAtNextStart();
    void savedPlacement_data();
    void savedPlacement();
    void missingKeywordFolderIsReported();
    void typingTicksAndBoldsItsRow_data();
    void typingTicksAndBoldsItsRow();
    void clearResetsPanelAndTrees();
    void tickingAValueTicksItsKeyword();
    void checkAllAndUncheckAll();
    void saveListBecomesCurrent();
    void saveListOverwriteQuestion();
    void reloadListBringsBackDeletedValue();
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
