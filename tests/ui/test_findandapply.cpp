// The whole job in the main window: search a folder, pick a file, tick, apply, read the report.
#include "guitest.h"
#include "testsupport.h"

#include "core/misc.h"
#include "search/filesearch.h"
#include "ui/controls.h"
#include "ui/foundfilesview.h"
#include "ui/frmaddkeywords.h"
#include "ui/frmview.h"
#include "ui/previewdialog.h"
#include "ui_frmaddkeywords.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <sys/stat.h>

#include <memory>

using tagmere::Message;
using tagmere::test::MessageRecorder;
using tagmere::test::readBytes;
using tagmere::test::TempFolder;
using tagmere::ui::frmAddKeywords;
using tagmere::ui::Program;

namespace {

const std::string kHeader = "IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] ACME\r\n";
const std::string kData = "TILT=NONE\r\n1 1000 1 1 1 1 2 0 0 0\r\n1 1 100\r\n0\r\n0\r\n100\r\n";
const std::string kSample = kHeader + kData;
const std::string kList = "[_MOUNTING], 0\r\nRECESSED\r\nPENDANT\r\nWALL\r\n[_SHAPE], 1\r\nROUND\r\nSQUARE\r\n";
const QColor kGreen(0, 128, 0);

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QStringList strings(std::initializer_list<const char*> texts) {
    QStringList result;
    for (const char* text : texts)
        result.append(QLatin1String(text));
    return result;
}

QStringList columnTexts(QTreeView* list, int column) {
    QStringList result;
    for (int i = 0; i < tagmere::test::rowCount(list); ++i)
        result.append(tagmere::test::rowAt(list, i).text(column));
    return result;
}

QTreeWidgetItem* findNode(QTreeWidget* tree, const QString& keyword, const QString& value = QString()) {
    QTreeWidgetItem* node = tree->findItems(keyword, Qt::MatchExactly).value(0);
    if (!node || value.isEmpty())
        return node;
    for (int i = 0; i < node->childCount(); ++i) {
        if (node->child(i)->text(0) == value)
            return node->child(i);
    }
    return nullptr;
}

std::string reportText(int files, const std::vector<std::string>& entries) {
    std::string text = "The following Keyword(s) were modified in (" + std::to_string(files) + ") file(s):\r\r";
    for (const std::string& entry : entries)
        text += entry + "\r";
    return text;
}

} // namespace

class TestFindAndApply : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void searchKeepsInputOutWhileItRuns();
    void escapeStopsTheSearchKeepingWhatWasFound();
    void folderChangeAfterSearchEmptiesTheList();
    void driveChangeAndItsSetBack();
    void clickShowsTheFilesKeywordsInTheFileColour();
    void unreadableFileIsReportedOnce();
    void editModeShowsCheckBoxesInBulkOnly();
    void ctrlAChecksAllInBulkOnly_data();
    void ctrlAChecksAllInBulkOnly();
    void bulkRunOverThreeTickedFiles();
    void singleRunTouchesOnlyTheSelectedFile();
    void stoppingTheRunCountsTheFilesDone();
    void theWindowTakesNoInputDuringARun();
    void runShowsTheCurrentFileAgainBeforeTheReport();
    void previewShowsChangesAndWritesNothing();
    void filesWithHeaderErrorsAreMarked();

private:
    void start();
    frmAddKeywords* window() const { return m_program->window.get(); }
    const Ui::frmAddKeywords& c() const { return window()->controls(); }
    QTreeView* list() const { return c().ltvFoundFiles; }
    // The folder of photometric files, as the folder list shows it.
    QString root() const { return QDir(qs(m_files->path())).canonicalPath(); }
    std::string rootPath() const { return root().toStdString(); }
    std::string file(const std::string& relative) const { return rootPath() + "/" + relative; }
    void search() { c().cmdFind->click(); }
    tagmere::test::ListRow row(const QString& name) const { return tagmere::test::findRow(list(), name); }
    void tick(int tree, const QString& keyword, const QString& value = QString()) {
        QTreeWidget* view = window()->trvApplication()[static_cast<size_t>(tree)];
        QTreeWidgetItem* node = findNode(view, keyword, value);
        QVERIFY(node);
        tagmere::test::clickCheckBox(view, node);
    }

    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<TempFolder> m_data;
    std::unique_ptr<TempFolder> m_config;
    std::unique_ptr<TempFolder> m_files;
    std::unique_ptr<Program> m_program;
};

void TestFindAndApply::init() {
    m_messages = std::make_unique<MessageRecorder>();
    m_data = std::make_unique<TempFolder>();
    m_config = std::make_unique<TempFolder>();
    m_files = std::make_unique<TempFolder>();
    m_data->write("Calvex/OrbKeywordFiles/Test.txt", kList);
}

void TestFindAndApply::cleanup() {
    m_program.reset();
    m_messages.reset();
    m_files.reset();
    m_data.reset();
    m_config.reset();
}

void TestFindAndApply::start() {
    m_program = tagmere::test::startProgram(qs(m_data->path()), qs(m_config->path()), *m_messages);
    m_messages->shown.clear();
    c().cbxKeywordFiles->setCurrentIndex(c().cbxKeywordFiles->findText(QStringLiteral("Test")));
    QCOMPARE(c().cbxKeywordFiles->currentText(), QStringLiteral("Test"));
    QVERIFY(c().dirList->setPath(root()));
}

void TestFindAndApply::searchKeepsInputOutWhileItRuns() {
    m_files->write("S/one.ies", kSample);
    m_files->write("two.ies", kSample);
    start();
    QList<bool> enabledDuringSearch;
    connect(list()->model(), &QAbstractItemModel::rowsInserted, this, [&] {
        enabledDuringSearch << c().drvList->isEnabled() << c().dirList->isEnabled() << c().cmdFind->isEnabled()
                            << c().cmdAddKeywords->isEnabled();
        QVERIFY(window()->isSearching());
    });
    search();
    QCOMPARE(enabledDuringSearch, QList<bool>({false, false, false, false, false, false, false, false}));
    QVERIFY(!window()->isSearching());
    for (QWidget* control : {static_cast<QWidget*>(c().drvList), static_cast<QWidget*>(c().dirList),
                             static_cast<QWidget*>(c().cmdFind), static_cast<QWidget*>(c().cmdAddKeywords)})
        QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
}

void TestFindAndApply::escapeStopsTheSearchKeepingWhatWasFound() {
    // Walked: the start folder, then B (its two files), then A, then the start folder's own file.
    m_files->write("A/a1.ies", kSample);
    m_files->write("B/b1.ies", kSample);
    m_files->write("B/b2.ies", kSample);
    m_files->write("s.ies", kSample);
    start();
    bool pressed = false;
    connect(list()->model(), &QAbstractItemModel::rowsInserted, this, [&] {
        if (!pressed) {
            pressed = true;
            QTest::keyClick(window(), Qt::Key_Escape);
        }
    });
    search();
    QVERIFY(pressed);
    QCOMPARE(columnTexts(list(), 0), strings({"b1.ies", "b2.ies"}));
    QCOMPARE(c().labCount->text(), QStringLiteral(" 2"));
    QVERIFY(!window()->isSearching());
    QVERIFY(c().cmdFind->isEnabled());

    // Esc outside a search does nothing, and the next search runs in full.
    QTest::keyClick(window(), Qt::Key_Escape);
    search();
    QCOMPARE(c().labCount->text(), QStringLiteral(" 4"));
}

void TestFindAndApply::folderChangeAfterSearchEmptiesTheList() {
    m_files->write("a.ies", kSample);
    m_files->write("sub/b.ies", kSample);
    m_files->write("sub/c.txt", kSample);
    start();
    search();
    QCOMPARE(tagmere::test::rowCount(list()), 2);
    tagmere::test::clickRow(list(), row(QStringLiteral("a.ies")));
    QVERIFY(!window()->viewWindow()->txtView()->toPlainText().isEmpty());

    QVERIFY(c().dirList->setPath(root() + QStringLiteral("/sub")));
    QCOMPARE(tagmere::test::rowCount(list()), 0);
    QCOMPARE(window()->foundFiles().count(), 0);
    QCOMPARE(c().labCount->text(), QString());
    QVERIFY(!window()->fileKeywordsShown());
    QCOMPARE(window()->viewWindow()->txtView()->toPlainText(), QString());
    QVERIFY(!window()->viewWindow()->cmdSave()->isEnabled());
    // The last search's patterns pick the new folder's candidates.
    QCOMPARE(c().lstFileList->count(), 1);
    QCOMPARE(c().lstFileList->item(0)->text(), QStringLiteral("b.ies"));
}

void TestFindAndApply::driveChangeAndItsSetBack() {
    m_files->write("a.ies", kSample);
    start();
    tagmere::ui::DriveListBox* drives = c().drvList;
    const QString drive = tagmere::ui::DriveListBox::driveOf(root());
    QCOMPARE(drives->drive(), drive);

    // A drive that cannot be opened: the folder list stays, and its drive comes back.
    drives->addItem(QStringLiteral("gone"), QStringLiteral("/no/such/volume"));
    drives->setCurrentIndex(drives->count() - 1);
    emit drives->activated(drives->count() - 1);
    QCOMPARE(c().dirList->path(), root());
    QCOMPARE(drives->drive(), drive);

    // A good drive: the folder list moves to its root.
    drives->setCurrentIndex(drives->findData(drive));
    emit drives->activated(drives->currentIndex());
    QCOMPARE(c().dirList->path(), drive);
}

void TestFindAndApply::clickShowsTheFilesKeywordsInTheFileColour() {
    m_config->write("Calvex-FileSystem.ini", "[Startup]\nOrbFileSelectColor=32768\n");
    const std::string text = "IESNA:LM-63-2002\r\n[MANUFAC] Lumen Works\r\n[_MOUNTING] recessed, Wall\r\n"
                             "[_SEARCH_CRI] 80\r\n[_SEARCH_SOURCETYPE] mh\r\n[_SHAPE] Square\r\n" +
                             kData;
    m_files->write("shown.ies", text);
    m_files->write("other.ies", kSample);
    start();
    search();
    // The user's own ticks go when a file is shown.
    QTest::keyClicks(c().txtSearchSPRatio, QStringLiteral("0.5"));
    tick(0, QStringLiteral("[_MOUNTING]"), QStringLiteral("PENDANT"));

    tagmere::test::clickRow(list(), row(QStringLiteral("shown.ies")));
    QCOMPARE(m_program->globals.gstrSelectedFile, file("shown.ies"));
    QVERIFY(window()->fileKeywordsShown());
    QVERIFY(c().cmdRefresh->isEnabled());
    QVERIFY(m_messages->shown.empty());

    QTreeWidget* tree0 = window()->trvApplication()[0];
    for (const char* value : {"", "RECESSED", "WALL"}) {
        QTreeWidgetItem* node = findNode(tree0, QStringLiteral("[_MOUNTING]"), QLatin1String(value));
        QVERIFY2(node, value);
        QCOMPARE(node->checkState(0), Qt::Checked);
        QVERIFY(node->font(0).bold());
        QCOMPARE(node->foreground(0).color(), kGreen);
    }
    QCOMPARE(findNode(tree0, QStringLiteral("[_MOUNTING]"), QStringLiteral("PENDANT"))->checkState(0), Qt::Unchecked);
    QTreeWidgetItem* square =
        findNode(window()->trvApplication()[1], QStringLiteral("[_SHAPE]"), QStringLiteral("SQUARE"));
    QCOMPARE(square->checkState(0), Qt::Checked);
    QCOMPARE(square->foreground(0).color(), kGreen);

    QCOMPARE(c().txtManufac->text(), QStringLiteral("Lumen Works"));
    QCOMPARE(c().txtSearchCRI->text(), QStringLiteral("80"));
    QCOMPARE(c().cbxSourceType->currentText(), QStringLiteral("MH"));
    QCOMPARE(c().txtSearchSPRatio->text(), QString());
    QVERIFY(!c().chkSearchSPRatio->isChecked());
    QVERIFY(!c().chkSearchColorTemp->isChecked());
    for (QCheckBox* box : {c().chkManufac, c().chkSearchCRI, c().chkSearchSource}) {
        QVERIFY2(box->isChecked(), qPrintable(box->objectName()));
        QVERIFY(box->font().bold());
        QCOMPARE(box->palette().color(QPalette::WindowText), kGreen);
    }

    // "View / Edit" is ticked at start: the view window shows the file.
    tagmere::ui::frmView* view = window()->viewWindow();
    QVERIFY(view->isVisible());
    QCOMPARE(view->txtfilename()->text(), QStringLiteral("shown.ies"));
    QVERIFY(view->txtView()->toPlainText().startsWith(QStringLiteral("IESNA:LM-63-2002\n[MANUFAC] Lumen Works\n")));

    // Another file replaces it all.
    tagmere::test::clickRow(list(), row(QStringLiteral("other.ies")));
    QCOMPARE(c().txtManufac->text(), QStringLiteral("ACME"));
    QVERIFY(!c().chkSearchCRI->isChecked());
    QCOMPARE(findNode(tree0, QStringLiteral("[_MOUNTING]"))->checkState(0), Qt::Unchecked);
    QCOMPARE(view->txtfilename()->text(), QStringLiteral("other.ies"));

    // Unticked "View / Edit" closes the window and a click leaves it alone.
    c().chkView->click();
    QVERIFY(!view->isVisible());
    tagmere::test::clickRow(list(), row(QStringLiteral("shown.ies")));
    QVERIFY(!view->isVisible());
    QCOMPARE(c().txtManufac->text(), QStringLiteral("Lumen Works"));
}

void TestFindAndApply::unreadableFileIsReportedOnce() {
    m_files->write("gone.ies", kSample);
    start();
    search();
    QVERIFY(std::remove(file("gone.ies").c_str()) == 0);
    tagmere::test::clickRow(list(), row(QStringLiteral("gone.ies")));
    QCOMPARE(m_messages->shown.size(), size_t(1));
    QVERIFY2(m_messages->shown[0].text.rfind("Unable to read file: ", 0) == 0, m_messages->shown[0].text.c_str());
    QVERIFY(c().cmdRefresh->isEnabled());
    // Clicking the current row again shows it again.
    tagmere::test::clickRow(list(), row(QStringLiteral("gone.ies")));
    QCOMPARE(m_messages->shown.size(), size_t(2));
}

void TestFindAndApply::editModeShowsCheckBoxesInBulkOnly() {
    m_files->write("a.ies", kSample);
    start();
    search();
    const auto a = row(QStringLiteral("a.ies"));
    QVERIFY(c().optSingle->isChecked());
    QVERIFY(!a->data(0, Qt::CheckStateRole).isValid());
    QVERIFY(!c().cmdCheck->isEnabled());
    QVERIFY(!c().cmdUncheck->isEnabled());

    c().optBulk->click();
    QCOMPARE(a->checkState(0), Qt::Checked);
    QVERIFY(c().cmdCheck->isEnabled());
    QVERIFY(c().cmdUncheck->isEnabled());
    // Ticking a file does not make it the current one.
    tagmere::test::clickCheckBox(list(), a);
    QCOMPARE(a->checkState(0), Qt::Unchecked);
    QVERIFY(!window()->foundFiles().items().item(1).Checked);
    QVERIFY(list()->selectionModel()->selectedRows().isEmpty());
    QVERIFY(m_program->globals.gstrSelectedFile.empty());
    tagmere::test::clickCheckBox(list(), a);
    QCOMPARE(a->checkState(0), Qt::Checked);
    c().cmdUncheck->click();
    QCOMPARE(a->checkState(0), Qt::Unchecked);

    // Single keeps the marks, hidden.
    c().optSingle->click();
    QVERIFY(!a->data(0, Qt::CheckStateRole).isValid());
    QVERIFY(!c().cmdCheck->isEnabled());
    c().optBulk->click();
    QCOMPARE(a->checkState(0), Qt::Unchecked);
    c().cmdCheck->click();
    QCOMPARE(a->checkState(0), Qt::Checked);
}

void TestFindAndApply::ctrlAChecksAllInBulkOnly_data() {
    QTest::addColumn<bool>("bulk");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("checked");
    QTest::newRow("ctrl+a in bulk") << true << int(Qt::ControlModifier) << true;
    QTest::newRow("ctrl+shift+a") << true << int(Qt::ControlModifier | Qt::ShiftModifier) << false;
    QTest::newRow("ctrl+a in single") << false << int(Qt::ControlModifier) << false;
}

void TestFindAndApply::ctrlAChecksAllInBulkOnly() {
    QFETCH(bool, bulk);
    QFETCH(int, modifiers);
    QFETCH(bool, checked);
    m_files->write("a.ies", kSample);
    m_files->write("b.ies", kSample);
    start();
    search();
    c().optBulk->click();
    c().cmdUncheck->click();
    if (!bulk)
        c().optSingle->click();
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_A, Qt::KeyboardModifiers(modifiers));
    for (int i = 1; i <= 2; ++i)
        QCOMPARE(window()->foundFiles().items().item(i).Checked, checked);
}

void TestFindAndApply::bulkRunOverThreeTickedFiles() {
    for (const char* name : {"a.ies", "b.ies", "c.ies", "sub/d.ies"})
        m_files->write(name, kSample);
    start();
    search();
    c().optBulk->click();
    tagmere::test::clickCheckBox(list(), row(QStringLiteral("b.ies")));

    QTest::keyClicks(c().txtSearchCRI, QStringLiteral("70-80"));
    tick(0, QStringLiteral("[_MOUNTING]"), QStringLiteral("RECESSED"));
    tick(0, QStringLiteral("[_MOUNTING]"), QStringLiteral("PENDANT"));
    m_messages->answers.push_back(QMessageBox::Yes); // the question before a run over several files
    c().cmdAddKeywords->click();

    const std::string expected = kHeader + "[_SEARCH_CRI] 70-80\r\n[_MOUNTING] RECESSED, PENDANT\r\n" + kData;
    for (const char* name : {"a.ies", "c.ies", "sub/d.ies"})
        QCOMPARE(readBytes(file(name)), expected);
    QCOMPARE(readBytes(file("b.ies")), kSample);
    QCOMPARE(m_messages->shown.size(), size_t(2));
    QCOMPARE(m_messages->shown[1], tagmere::plainMessage(reportText(3, {"[_SEARCH_CRI]", "[_MOUNTING]"})));
    // The selection is kept for the next run.
    QVERIFY(c().chkSearchCRI->isChecked());
}

void TestFindAndApply::singleRunTouchesOnlyTheSelectedFile() {
    for (const char* name : {"a.ies", "b.ies", "c.ies"})
        m_files->write(name, kSample);
    start();
    search();
    tagmere::test::clickRow(list(), row(QStringLiteral("b.ies")));
    tick(1, QStringLiteral("[_SHAPE]"), QStringLiteral("ROUND"));
    c().cmdAddKeywords->click();

    QCOMPARE(readBytes(file("b.ies")), kHeader + "[_SHAPE] ROUND\r\n" + kData);
    QCOMPARE(readBytes(file("a.ies")), kSample);
    QCOMPARE(readBytes(file("c.ies")), kSample);
    // Showing the file ticked its own [MANUFAC] line, which is applied again.
    QCOMPARE(m_messages->shown.back(), tagmere::plainMessage(reportText(1, {"[MANUFAC]", "[_SHAPE]"})));
}

void TestFindAndApply::stoppingTheRunCountsTheFilesDone() {
    for (const char* name : {"a.ies", "b.ies", "c.ies"})
        m_files->write(name, kSample);
    start();
    search();
    c().optBulk->click();
    QTest::keyClicks(c().txtSearchCRI, QStringLiteral("90"));
    window()->setProgressDelay(0);
    QList<int> progress;
    connect(window(), &frmAddKeywords::batchProgress, this, [&](int done, int total) {
        progress << done << total;
        if (done == 1) {
            auto* dialog = window()->findChild<QProgressDialog*>();
            QVERIFY(dialog);
            QCOMPARE(dialog->maximum(), 3);
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->labelText(), QStringLiteral("Files done: 1 of 3"));
            dialog->cancel();
        }
    });
    bool dialogAtReport = true;
    tagmere::ui::MessageBoxes::setHandler([&](const Message& message) {
        m_messages->shown.push_back(message);
        if (message.buttons == tagmere::MessageButtons::YesNo)
            return QMessageBox::Yes;
        dialogAtReport = window()->findChild<QProgressDialog*>() != nullptr;
        return QMessageBox::Ok;
    });
    c().cmdAddKeywords->click();
    QCOMPARE(progress, QList<int>({1, 3}));
    QVERIFY(!dialogAtReport);
    const std::string changed = kHeader + "[_SEARCH_CRI] 90\r\n" + kData;
    QCOMPARE(readBytes(file("a.ies")), changed);
    QCOMPARE(readBytes(file("b.ies")), kSample);
    QCOMPARE(readBytes(file("c.ies")), kSample);
    QCOMPARE(m_messages->shown.back(), tagmere::plainMessage(reportText(1, {"[_SEARCH_CRI]"})));
    QVERIFY(!window()->findChild<QProgressDialog*>());
}

void TestFindAndApply::theWindowTakesNoInputDuringARun() {
    for (const char* name : {"a.ies", "b.ies"})
        m_files->write(name, kSample);
    m_files->write("sub/c.ies", kSample);
    start();
    search();
    c().optBulk->click();
    c().txtSearchCRI->setText(QStringLiteral("60"));
    connect(window(), &frmAddKeywords::batchProgress, this, [&](int done, int) {
        if (done != 1)
            return;
        // A click on Search and a close while the run goes on: neither is taken, nor kept for later.
        QTest::mouseClick(c().cmdFind, Qt::LeftButton);
        window()->close();
    });
    m_messages->answers.push_back(QMessageBox::Yes);
    c().cmdAddKeywords->click();
    QCoreApplication::processEvents();
    QVERIFY(window()->isVisible());
    QCOMPARE(m_messages->shown.back(), tagmere::plainMessage(reportText(3, {"[_SEARCH_CRI]"})));
    // No search ran after the click: it would have emptied the panel.
    QCOMPARE(c().txtSearchCRI->text(), QStringLiteral("60"));
    QCOMPARE(tagmere::test::rowCount(list()), 3);
}

void TestFindAndApply::runShowsTheCurrentFileAgainBeforeTheReport() {
    m_files->write("a.ies", kSample);
    start();
    search();
    tagmere::test::clickRow(list(), row(QStringLiteral("a.ies")));
    tagmere::ui::frmView* view = window()->viewWindow();
    QVERIFY(view->isVisible());
    c().txtSearchCRI->setText(QStringLiteral("85"));

    QString viewAtReport;
    QString criAtReport;
    tagmere::ui::MessageBoxes::setHandler([&](const Message& message) {
        m_messages->shown.push_back(message);
        viewAtReport = view->txtView()->toPlainText();
        criAtReport = c().txtSearchCRI->text();
        return QMessageBox::Ok;
    });
    c().cmdAddKeywords->click();
    QCOMPARE(m_messages->shown.back(), tagmere::plainMessage(reportText(1, {"[MANUFAC]", "[_SEARCH_CRI]"})));
    QVERIFY2(viewAtReport.contains(QStringLiteral("[_SEARCH_CRI] 85\n")), qPrintable(viewAtReport));
    QCOMPARE(criAtReport, QStringLiteral("85"));
    QCOMPARE(c().chkSearchCRI->palette().color(QPalette::WindowText), QColor(0, 0, 0)); // the file colour
    QVERIFY(c().chkSearchCRI->font().bold());
}

QTEST_MAIN(TestFindAndApply)
#include "test_findandapply.moc"

void TestFindAndApply::previewShowsChangesAndWritesNothing() {
    for (const char* name : {"a.ies", "b.ies"})
        m_files->write(name, kSample);
    const std::string already = kHeader + "[_SEARCH_CRI] 80\r\n" + kData;
    m_files->write("c.ies", already);
    start();
    search();
    c().optBulk->click();
    QTest::keyClicks(c().txtSearchCRI, QStringLiteral("80"));
    // The button sits beside Close without moving it.
    QCOMPARE(c().cmdPreview->geometry().right() < c().cmdClose->geometry().left(), true);
    c().cmdPreview->click();

    auto* dialog = window()->findChild<tagmere::ui::PreviewDialog*>(QStringLiteral("frmPreview"));
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(
        dialog->summary(),
        QStringLiteral("2 file(s) would change, 0 would be refused, 1 would not change. Nothing has been written."));
    auto* files = dialog->findChild<QListWidget*>(QStringLiteral("lstPreviewFiles"));
    QCOMPARE(files->count(), 3);
    QCOMPARE(files->item(0)->text(), QStringLiteral("would change: ") + qs(file("a.ies")));
    QCOMPARE(files->item(2)->text(), QStringLiteral("unchanged: ") + qs(file("c.ies")));
    const QString diff = dialog->findChild<QPlainTextEdit*>(QStringLiteral("txtPreviewDiff"))->toPlainText();
    QVERIFY2(diff.contains(QStringLiteral("\n+[_SEARCH_CRI] 80\n TILT=NONE\n")), qPrintable(diff));
    QCOMPARE(readBytes(file("a.ies")), kSample);
    QCOMPARE(readBytes(file("c.ies")), already);
    QVERIFY(m_messages->shown.empty());
    dialog->close();
}

void TestFindAndApply::filesWithHeaderErrorsAreMarked() {
    // Files are judged by their own version: a 1995 file needs no keyword, a 2002 file four.
    const std::string valid = "TILT=NONE\r\n1 1000 1 2 1 1 2 0 0 0\r\n1 1 100\r\n0 90\r\n0\r\n100 50\r\n";
    m_files->write("good.ies", "IESNA:LM-63-1995\r\n[TEST] T\r\n[DATE] D\r\n" + valid);
    m_files->write("bad.ies", kSample); // a 2002 file without [TESTLAB] and [ISSUEDATE]
    start();
    search();
    const auto bad = row(QStringLiteral("bad.ies"));
    const auto good = row(QStringLiteral("good.ies"));
    QVERIFY(bad && good);
    QVERIFY(!bad->icon(0).isNull());
    QVERIFY(good->icon(0).isNull());
    QCOMPARE(
        bad->toolTip(0),
        qs(file("bad.ies")) + QLatin1Char('\n') + bad->text(1) +
            QStringLiteral("\n\nline 4: missing-keyword error: required keyword [TESTLAB] is missing (LM-63-2002)\n"
                           "line 4: missing-keyword error: required keyword [ISSUEDATE] is missing (LM-63-2002)\n"
                           "line 7: angles-range error: type C vertical angles run from 0 to 0; they must run 0-90, "
                           "90-180 or 0-180"));
    // Every row's tip names the file in full, with its date.
    QCOMPARE(good->toolTip(0), qs(file("good.ies")) + QLatin1Char('\n') + good->text(1));

    // A run that adds the missing keyword clears the mark; the other file keeps its own.
    m_files->write("nomaker.ies", "IESNA:LM-63-2002\r\n[TEST] T\r\n[TESTLAB] L\r\n[ISSUEDATE] D\r\n" + valid);
    search();
    const auto nomaker = row(QStringLiteral("nomaker.ies"));
    QVERIFY(!nomaker->icon(0).isNull());
    c().optBulk->click();
    QTest::keyClicks(c().txtManufac, QStringLiteral("ACME"));
    m_messages->answers.push_back(QMessageBox::Yes);
    c().cmdAddKeywords->click();
    QVERIFY(nomaker->icon(0).isNull());
    QVERIFY(!nomaker->toolTip(0).contains(QStringLiteral("error")));
    QVERIFY(!row(QStringLiteral("bad.ies"))->icon(0).isNull());
}
