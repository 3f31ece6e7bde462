// SPDX-License-Identifier: GPL-3.0-or-later
// The view / edit window: filled from the current file, saved back through a safe replace.
#include "guitest.h"
#include "testsupport.h"

#include "ui/frmview.h"
#include "ui_frmaddkeywords.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QScreen>

using namespace tagmere::test;

namespace {

const std::string kSample = "IESNA:LM-63-2002\r\n[TEST] T1\r\n\r\n\r\n   \r\n[MANUFAC] ACME\r\nTILT=NONE\r\n1 2 3\r\n";

struct Session {
    MessageRecorder messages;
    TempFolder data, config, files;
    std::unique_ptr<tagmere::ui::Program> program; // last, so it goes first
};

} // namespace

class TestFrmView : public QObject {
    Q_OBJECT
    std::unique_ptr<Session> m;

    void start() {
        m->program =
            startProgram(QString::fromStdString(m->data.path()), QString::fromStdString(m->config.path()), m->messages);
        QVERIFY(c().dirList->setPath(QDir(QString::fromStdString(m->files.path())).canonicalPath()));
        c().cmdFind->click();
    }
    const Ui::frmAddKeywords& c() const { return m->program->window->controls(); }
    tagmere::ui::frmView* view() const { return m->program->window->viewWindow(); }
    void showFile(const char* name) { clickRow(c().ltvFoundFiles, findRow(c().ltvFoundFiles, QLatin1String(name))); }
    void clickInText() { QTest::mouseClick(view()->txtView()->viewport(), Qt::LeftButton, {}, QPoint(20, 10)); }

private slots:
    void init() { m = std::make_unique<Session>(); }
    void cleanup() { m.reset(); }

    void saveWritesTheTextBack_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("saved");
        // Empty lines stay and no line is added: unedited, a CR LF file is saved as it was.
        const QByteArray sample = QByteArray::fromStdString(kSample);
        QTest::newRow("as shown") << sample << QString() << sample;
        QTest::newRow("edited") << sample << QStringLiteral("X ") << "X " + sample;
        QTest::newRow("no last line end") << QByteArray("A\r\n\r\nB") << QString() << QByteArray("A\r\n\r\nB");
        QTest::newRow("LF and CR lines") << QByteArray("A\n\nB\rC\n") << QString() << QByteArray("A\r\n\r\nB\r\nC\r\n");
        // Every byte but NUL, CR and LF (tabs in their places).
        QByteArray bytes;
        for (int b = 1; b < 256; ++b)
            bytes += b == '\r' || b == '\n' ? '\t' : static_cast<char>(b);
        QTest::newRow("every byte") << bytes + "\r\n" << QString() << bytes + "\r\n";
    }
    void saveWritesTheTextBack() {
        QFETCH(QByteArray, file);
        QFETCH(QString, typed);
        QFETCH(QByteArray, saved);
        const std::string path = m->files.write("a.ies", file.toStdString());
        start();
        showFile("a.ies");
        if (typed.isEmpty()) // shown line for line as it will be saved
            QCOMPARE(view()->txtView()->document()->toRawText(),
                     QString::fromLatin1(saved).replace(QStringLiteral("\r\n"), QString(QChar::ParagraphSeparator)));
        QVERIFY(!view()->cmdSave()->isEnabled()); // offered after a click in the text only
        clickInText();
        view()->txtView()->moveCursor(QTextCursor::Start);
        QTest::keyClicks(view()->txtView(), typed);
        view()->cmdSave()->click();
        QCOMPARE(QByteArray::fromStdString(readBytes(path)), saved);
        // A save is in the run journal, so it can be taken back.
        m->messages.answers.push_back(QMessageBox::Yes);
        c().cmdUndoLastRun->click();
        QCOMPARE(QByteArray::fromStdString(readBytes(path)), file);
    }

    // Every line end the text box may hold is saved as CR LF; a character beyond one byte as "?".
    void savedLineEndsAndCharacters() {
        const std::pair<QString, std::string> rows[] = {
            {QStringLiteral("a\rb\r\nc\nd"), "a\r\nb\r\nc\r\nd"},
            {QStringLiteral("a") + QChar::ParagraphSeparator + QStringLiteral("b") + QChar::LineSeparator,
             "a\r\nb\r\n"},
            {QStringLiteral("\u00e9\u20ac\r"), "\xe9?\r\n"},
        };
        for (const auto& [text, bytes] : rows)
            QCOMPARE(tagmere::ui::savedBytes(text), bytes);
    }

    // Another program's change after the file was shown is never saved over; Save stays offered.
    void saveRefusedWhenTheFileChangedAfterShown() {
        const std::string path = m->files.write("a.ies", kSample);
        start();
        showFile("a.ies");
        const std::string theirs = kSample + "4 5 6\r\n";
        m->files.write("a.ies", theirs);
        clickInText();
        view()->cmdSave()->click();
        QCOMPARE(readBytes(path), theirs);
        QCOMPARE(m->messages.shown.size(), size_t(2)); // the backup warning, then the refusal
        QVERIFY2(m->messages.shown[1].text.find("a.ies: the file changed on disk after it was shown") !=
                     std::string::npos,
                 m->messages.shown[1].text.c_str());
        QVERIFY(view()->cmdSave()->isEnabled());
    }

    // A run after a save starts from the saved text, not from the panel as it was before.
    void runAfterSaveKeepsTheSavedValue() {
        const std::string path = m->files.write("a.ies", kSample);
        start();
        showFile("a.ies");
        clickInText();
        QTextCursor at = view()->txtView()->document()->find(QStringLiteral("[MANUFAC] ACME"));
        at.insertText(QStringLiteral("[MANUFAC] ACME 2"));
        view()->cmdSave()->click();
        QVERIFY(c().chkManufac->isChecked() && c().optSingle->isChecked());
        c().cmdAddKeywords->click();
        QVERIFY(readBytes(path).find("\r\n[MANUFAC] ACME 2\r\n") != std::string::npos);
    }

    void failedReadOffersNoSave() {
        // A NUL byte: not text, refused unread, never to be written back from part of it.
        const std::string binary = std::string("IESNA:LM-63-2002\r\n[TEST] T1\r\n") + '\0' + "rest\r\n";
        const std::string path = m->files.write("binary.ies", binary);
        m->files.write("good.ies", kSample);
        start();
        showFile("good.ies");
        showFile("binary.ies");
        QCOMPARE(m->messages.shown.size(), size_t(2)); // the backup warning, then the failed read
        QCOMPARE(view()->txtView()->toPlainText(), QString());
        // Nor after "View / Edit" is ticked again.
        c().chkView->click();
        c().chkView->click();
        clickInText();
        QVERIFY(!view()->cmdSave()->isEnabled());
        QCOMPARE(readBytes(path), binary);
    }

    void runOnTheCurrentFileRefreshesTheWindow() {
        m->files.write("a.ies", kSample);
        start();
        showFile("a.ies");
        // The selection no longer shows the file, so the run does not show it again.
        c().cmdClear->click();
        c().txtSearchCRI->setText(QStringLiteral("75"));
        c().cmdAddKeywords->click();
        QVERIFY(view()->txtView()->toPlainText().contains(QStringLiteral("[_SEARCH_CRI] 75\n")));
    }

    // A left of -99 is the mark of a place never saved.
    void placeIsCentredUntilSavedThenKept() {
        m->config.write("Calvex-FileSystem.ini", "[Startup]\nOrbViewLeft=-99\nOrbViewTop=300\n");
        start();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(view()->pos(), QPoint(screen.x() + screen.width() / 2 - view()->width() / 2,
                                       screen.y() + screen.height() / 2 - view()->height() / 2));
        view()->setGeometry(40, 50, 600, 300);
        view()->close();
        m->program.reset();
        start();
        QCOMPARE(QRect(view()->pos(), view()->size()), QRect(40, 50, 600, 300));
    }
};

QTEST_MAIN(TestFrmView)
#include "test_frmview.moc"
