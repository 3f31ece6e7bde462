// The view / edit window: filled from the current file, saved back through a safe replace.
#include "guitest.h"
#include "testsupport.h"

#include "ui/frmaddkeywords.h"
#include "ui/frmview.h"
#include "ui_frmaddkeywords.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include <sys/stat.h>

#include <memory>

using tagmere::app::Setting;
using tagmere::test::MessageRecorder;
using tagmere::test::readBytes;
using tagmere::test::TempFolder;
using tagmere::ui::frmAddKeywords;
using tagmere::ui::frmView;
using tagmere::ui::Program;

namespace {

const std::string kSample = "IESNA:LM-63-2002\r\n[TEST] T1\r\n\r\n\r\n   \r\n[MANUFAC] ACME\r\nTILT=NONE\r\n1 2 3\r\n";

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Every byte but NUL, CR and LF, a line of each range, with tabs among them.
std::string allBytes() {
    std::string text;
    for (int line = 0; line < 8; ++line) {
        text += "\t";
        for (int b = line * 32; b < line * 32 + 32; ++b) {
            if (b != 0 && b != '\r' && b != '\n')
                text += static_cast<char>(b);
        }
        text += "\t\r\n";
    }
    return text;
}

} // namespace

class TestFrmView : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void saveAfterAClickWritesTheTextBack();
    void editedTextIsSaved();
    void everyByteSurvivesTheRoundTrip();
    void failedReadOffersNoSave();
    void runOnTheCurrentFileRefreshesTheWindow();
    void placementIsKept();
    void neverSavedPlaceIsCentred_data();
    void neverSavedPlaceIsCentred();

private:
    void start();
    void showFile(const std::string& name);
    frmAddKeywords* window() const { return m_program->window.get(); }
    const Ui::frmAddKeywords& c() const { return window()->controls(); }
    frmView* view() const { return window()->viewWindow(); }
    QString root() const { return QDir(qs(m_files->path())).canonicalPath(); }
    std::string file(const std::string& name) const { return root().toStdString() + "/" + name; }
    void clickInText() { QTest::mouseClick(view()->txtView()->viewport(), Qt::LeftButton, {}, QPoint(20, 10)); }

    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<TempFolder> m_data;
    std::unique_ptr<TempFolder> m_config;
    std::unique_ptr<TempFolder> m_files;
    std::unique_ptr<Program> m_program;
};

void TestFrmView::init() {
    m_messages = std::make_unique<MessageRecorder>();
    m_data = std::make_unique<TempFolder>();
    m_config = std::make_unique<TempFolder>();
    m_files = std::make_unique<TempFolder>();
}

void TestFrmView::cleanup() {
    m_program.reset();
    m_messages.reset();
    m_files.reset();
    m_data.reset();
    m_config.reset();
}

void TestFrmView::start() {
    m_program = tagmere::test::startProgram(qs(m_data->path()), qs(m_config->path()), *m_messages);
    m_messages->shown.clear();
    QVERIFY(c().dirList->setPath(root()));
    c().cmdFind->click();
}

void TestFrmView::showFile(const std::string& name) {
    const tagmere::test::ListRow row = tagmere::test::findRow(c().ltvFoundFiles, qs(name));
    QVERIFY(row);
    tagmere::test::clickRow(c().ltvFoundFiles, row);
    QCOMPARE(m_program->globals.gstrSelectedFile, file(name));
}

void TestFrmView::saveAfterAClickWritesTheTextBack() {
    m_files->write("a.ies", kSample);
    start();
    showFile("a.ies");
    // Typing alone does not offer Save; a click in the text does.
    view()->txtView()->setFocus();
    QTest::keyClicks(view()->txtView(), QStringLiteral("typed"));
    QVERIFY(!view()->cmdSave()->isEnabled());
    showFile("a.ies"); // shown again, the typing is gone
    clickInText();
    QVERIFY(view()->cmdSave()->isEnabled());
    view()->cmdSave()->click();
    // The empty lines are gone and the file gains one at its end.
    QCOMPARE(readBytes(file("a.ies")),
             std::string("IESNA:LM-63-2002\r\n[TEST] T1\r\n   \r\n[MANUFAC] ACME\r\nTILT=NONE\r\n1 2 3\r\n\r\n"));
    QVERIFY(!view()->cmdSave()->isEnabled());
    QVERIFY(m_messages->shown.empty());
    // No temporary file is left beside it.
    QCOMPARE(tagmere::test::listFolder(root().toStdString()), std::vector<std::string>{"a.ies"});
}

void TestFrmView::editedTextIsSaved() {
    m_files->write("a.ies", kSample);
    start();
    showFile("a.ies");
    clickInText();
    QPlainTextEdit* text = view()->txtView();
    text->moveCursor(QTextCursor::Start);
    QTest::keyClicks(text, QStringLiteral("X"));
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClick(text, Qt::Key_End);
    text->insertPlainText(QStringLiteral(" \xe9")); // as typed with a keyboard that has it
    view()->cmdSave()->click();
    QCOMPARE(
        readBytes(file("a.ies")),
        std::string("X\r\nIESNA:LM-63-2002 \xe9\r\n[TEST] T1\r\n   \r\n[MANUFAC] ACME\r\nTILT=NONE\r\n1 2 3\r\n\r\n"));
}

void TestFrmView::everyByteSurvivesTheRoundTrip() {
    const std::string bytes = allBytes();
    m_files->write("bytes.ies", bytes);
    start();
    showFile("bytes.ies");
    QVERIFY(m_messages->shown.empty());
    clickInText();
    view()->cmdSave()->click();
    QCOMPARE(readBytes(file("bytes.ies")), bytes + "\r\n");
    // And the same text as the functions see it.
    QCOMPARE(tagmere::ui::savedBytes(view()->txtView()->document()->toRawText()), bytes + "\r\n");
}

void TestFrmView::failedReadOffersNoSave() {
    // A NUL byte: not text, refused unread, never to be written back from part of it.
    const std::string binary = std::string("IESNA:LM-63-2002\r\n[TEST] T1\r\n") + '\0' + "rest\r\n";
    m_files->write("binary.ies", binary);
    m_files->write("good.ies", kSample);
    start();
    showFile("good.ies");
    QVERIFY(!view()->txtView()->toPlainText().isEmpty());
    showFile("binary.ies");
    QCOMPARE(m_messages->shown.size(), size_t(1));
    QVERIFY2(m_messages->shown[0].text.rfind("Unable to read file: ", 0) == 0, m_messages->shown[0].text.c_str());
    QCOMPARE(view()->txtView()->toPlainText(), QString());
    QCOMPARE(view()->txtfilename()->text(), QStringLiteral("binary.ies"));
    QTest::keyClicks(view()->txtView(), QStringLiteral("anything"));
    clickInText();
    QVERIFY(!view()->cmdSave()->isEnabled());
    view()->cmdSave()->click();
    QCOMPARE(readBytes(file("binary.ies")), binary);

    // Unticking and ticking "View / Edit" does not bring the partial text back either.
    c().chkView->click();
    c().chkView->click();
    QCOMPARE(view()->txtView()->toPlainText(), QString());
    clickInText();
    QVERIFY(!view()->cmdSave()->isEnabled());
}

void TestFrmView::runOnTheCurrentFileRefreshesTheWindow() {
    m_files->write("a.ies", kSample);
    start();
    showFile("a.ies");
    // The selection no longer shows the file, so the run does not show it again.
    c().cmdClear->click();
    QVERIFY(!window()->fileKeywordsShown());
    c().txtSearchCRI->setText(QStringLiteral("75"));
    c().cmdAddKeywords->click();
    QVERIFY(readBytes(file("a.ies")).find("[_SEARCH_CRI] 75\r\n") != std::string::npos);
    // The window shows the file as written, not the text from before the run.
    QVERIFY2(view()->txtView()->toPlainText().contains(QStringLiteral("[_SEARCH_CRI] 75\n")),
             qPrintable(view()->txtView()->toPlainText()));
    clickInText();
    view()->cmdSave()->click();
    QVERIFY(readBytes(file("a.ies")).find("[_SEARCH_CRI] 75\r\n") != std::string::npos);
}

void TestFrmView::placementIsKept() {
    m_files->write("a.ies", kSample);
    start();
    showFile("a.ies");
    view()->move(40, 50);
    view()->resize(600, 300);
    view()->close();
    {
        const tagmere::app::Settings stored(QStringLiteral("Calvex-FileSystem"), QStringLiteral("Calvex-Values"),
                                            qs(m_config->path()));
        QCOMPARE(stored.readInt(Setting::OrbViewLeft, 0), 40 * 15);
        QCOMPARE(stored.readInt(Setting::OrbViewTop, 0), 50 * 15);
        QCOMPARE(stored.readInt(Setting::OrbViewWidth, 0), 600 * 15);
        QCOMPARE(stored.readInt(Setting::OrbViewHeight, 0), 300 * 15);
    }
    m_program.reset();
    start();
    QCOMPARE(view()->pos(), QPoint(40, 50));
    QCOMPARE(view()->size(), QSize(600, 300));
}

void TestFrmView::neverSavedPlaceIsCentred_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("nothing stored") << QByteArray();
    QTest::newRow("left never saved") << QByteArray("OrbViewLeft=-99\nOrbViewTop=300\n");
}

void TestFrmView::neverSavedPlaceIsCentred() {
    QFETCH(QByteArray, stored);
    m_config->write("Calvex-FileSystem.ini", "[Startup]\n" + stored.toStdString());
    start();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(view()->size(), QSize(514, 435));
    QCOMPARE(view()->pos(),
             QPoint(screen.x() + screen.width() / 2 - 514 / 2, screen.y() + screen.height() / 2 - 435 / 2));
}

QTEST_MAIN(TestFrmView)
#include "test_frmview.moc"
