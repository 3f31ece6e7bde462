// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a lighting engineer can trust: the question before a Bulk write, a preview that shows
// the keyword lines that change, refusals in the preview, and the cleanup a run starts with.
#include "guitest.h"
#include "testsupport.h"

#include "ui/previewdialog.h"
#include "ui_frmaddkeywords.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <sys/stat.h>

#include <memory>

using tagmere::test::MessageRecorder;
using tagmere::test::readBytes;
using tagmere::test::TempFolder;
using tagmere::ui::MessageBoxes;
using tagmere::ui::PreviewDialog;

namespace {

const std::string kSample = "IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] ACME\r\n[_MOUNTING] WALL\r\n"
                            "TILT=NONE\r\n1 1000 1 1 1 1 2 0 0 0\r\n1 1 100\r\n0\r\n0\r\n100\r\n";
const std::string kList = "[_MOUNTING], 0\r\nRECESSED\r\nWALL\r\n";
// A public sample with LF line ends.
const std::string kLfSample = "007cfb11e343e2f42e3b476be4ab684e.ies";

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

class TestBulkRun : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void bulkRunAsksFirst();
    void previewOfAnLfFileShowsOnlyTheKeywordLines();
    void writeProtectedFileIsListedAsRefused();
    void runRemovesTemporaryFilesLeftBehind();

private:
    void start();
    const Ui::frmAddKeywords& c() const { return m_program->window->controls(); }
    std::string file(const std::string& name) const {
        return QDir(qs(m_files->path())).canonicalPath().toStdString() + "/" + name;
    }
    PreviewDialog* preview() const {
        return m_program->window->findChild<PreviewDialog*>(QStringLiteral("frmPreview"));
    }
    QString previewDiff() const {
        return preview()->findChild<QPlainTextEdit*>(QStringLiteral("txtPreviewDiff"))->toPlainText();
    }

    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<TempFolder> m_data, m_config, m_files;
    std::unique_ptr<tagmere::ui::Program> m_program;
};

void TestBulkRun::init() {
    m_messages = std::make_unique<MessageRecorder>();
    m_data = std::make_unique<TempFolder>();
    m_config = std::make_unique<TempFolder>();
    m_files = std::make_unique<TempFolder>();
    m_data->write("Calvex/OrbKeywordFiles/Test.txt", kList);
}

void TestBulkRun::cleanup() {
    m_program.reset();
    m_messages.reset();
    m_files.reset();
    m_data.reset();
    m_config.reset();
}

void TestBulkRun::start() {
    m_program = tagmere::test::startProgram(qs(m_data->path()), qs(m_config->path()), *m_messages);
    c().cbxKeywordFiles->setCurrentIndex(c().cbxKeywordFiles->findText(QStringLiteral("Test")));
    QVERIFY(c().dirList->setPath(QDir(qs(m_files->path())).canonicalPath()));
    c().cmdFind->click();
    m_messages->shown.clear();
}

void TestBulkRun::bulkRunAsksFirst() {
    for (const char* name : {"a.ies", "b.ies"})
        m_files->write(name, kSample);
    start();
    c().optBulk->click();
    QTest::keyClicks(c().txtManufac, QStringLiteral("NEW"));
    QTreeWidget* tree = m_program->window->trvApplication()[0];
    tagmere::test::clickCheckBox(tree, tree->findItems(QStringLiteral("[_MOUNTING]"), Qt::MatchExactly).value(0));

    // No: nothing is written, and nothing follows the question.
    c().cmdAddKeywords->click();
    QCOMPARE(m_messages->shown.size(), size_t(1));
    QCOMPARE(m_messages->shown[0], tagmere::question("This run will edit (2) file(s).\r"
                                                     "\rThe following Keyword(s) will be added or replaced:\r"
                                                     "[MANUFAC]\r"
                                                     "\rThe following Keyword(s) will be removed:\r"
                                                     "[_MOUNTING]\r"
                                                     "\rThere is no undo. Write the files now? (Preview shows the "
                                                     "changes and writes nothing.)"));
    QCOMPARE(readBytes(file("a.ies")), kSample);
    QVERIFY(!preview());

    // Preview: the preview opens and nothing is written.
    m_messages->answers.push_back(MessageBoxes::Preview);
    c().cmdAddKeywords->click();
    QVERIFY(preview());
    QTRY_VERIFY(preview()->isVisible());
    QVERIFY(preview()->summary().startsWith(QStringLiteral("2 file(s) would change")));
    QCOMPARE(readBytes(file("a.ies")), kSample);
    QCOMPARE(readBytes(file("b.ies")), kSample);
    preview()->close();
    QTRY_VERIFY(!preview());

    // Yes: both files are written.
    m_messages->shown.clear();
    m_messages->answers.push_back(QMessageBox::Yes);
    c().cmdAddKeywords->click();
    const std::string written = "IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] NEW\r\n"
                                "TILT=NONE\r\n1 1000 1 1 1 1 2 0 0 0\r\n1 1 100\r\n0\r\n0\r\n100\r\n";
    QCOMPARE(readBytes(file("a.ies")), written);
    QCOMPARE(readBytes(file("b.ies")), written);
    QCOMPARE(m_messages->shown.size(), size_t(2)); // the question, then the report
}

void TestBulkRun::previewOfAnLfFileShowsOnlyTheKeywordLines() {
    const std::string sample = readBytes(std::string(TAGMERE_SOURCE_DIR) + "/tests/data/ies/" + kLfSample);
    QVERIFY(sample.find('\r') == std::string::npos);
    m_files->write(kLfSample, sample);
    start();
    c().optBulk->click();
    QTest::keyClicks(c().txtSearchCRI, QStringLiteral("90"));
    c().cmdPreview->click();
    QVERIFY(preview());
    const QStringList lines = previewDiff().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), QStringLiteral("line ends become CR LF"));
    QStringList changed;
    for (const QString& line : lines.mid(1)) {
        if ((line.startsWith(QLatin1Char('+')) || line.startsWith(QLatin1Char('-'))) &&
            !line.startsWith(QStringLiteral("+++")) && !line.startsWith(QStringLiteral("---")))
            changed << line;
    }
    QCOMPARE(changed, QStringList{QStringLiteral("+[_SEARCH_CRI] 90")});
    QCOMPARE(readBytes(file(kLfSample)), sample);
}

void TestBulkRun::writeProtectedFileIsListedAsRefused() {
    m_files->write("open.ies", kSample);
    const std::string locked = m_files->write("locked.ies", kSample);
    QCOMPARE(::chmod(locked.c_str(), 0444), 0);
    start();
    c().optBulk->click();
    QTest::keyClicks(c().txtSearchCRI, QStringLiteral("90"));
    c().cmdPreview->click();
    QVERIFY(preview());
    QCOMPARE(preview()->summary(), QStringLiteral("1 file(s) would change, 1 would be refused, 0 would not change. "
                                                  "Nothing has been written."));
    auto* files = preview()->findChild<QListWidget*>(QStringLiteral("lstPreviewFiles"));
    QCOMPARE(files->item(1)->text(), QStringLiteral("would be refused: ") + qs(file("locked.ies")));
}

void TestBulkRun::runRemovesTemporaryFilesLeftBehind() {
    // What a run killed between writing and renaming leaves beside the originals.
    const std::string stale = ".~tagmere-0123456789abcdef.tmp";
    m_files->write("a.ies", kSample);
    m_files->write(stale, "half a file");
    start();
    // A run on one file, in Single: showing the file fills the panel, then the value is typed.
    tagmere::test::clickRow(c().ltvFoundFiles, tagmere::test::findRow(c().ltvFoundFiles, QStringLiteral("a.ies")));
    QTest::keyClicks(c().txtSearchCRI, QStringLiteral("90"));
    c().cmdAddKeywords->click();
    QVERIFY(!tagmere::test::fileExists(file(stale)));
    QVERIFY(readBytes(file("a.ies")).find("[_SEARCH_CRI] 90\r\n") != std::string::npos);
}

QTEST_MAIN(TestBulkRun)
#include "test_bulkrun.moc"
