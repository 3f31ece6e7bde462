// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a lighting engineer can trust: the question before a Bulk write, a preview that
// shows the keyword lines that change and the files it would refuse, and an undo.
#include "guitest.h"
#include "testsupport.h"

#include "ui/batchrunner.h"
#include "ui/previewdialog.h"
#include "ui_frmaddkeywords.h"

#include <QDir>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>

#include <sys/stat.h>

using tagmere::test::qs;
using tagmere::test::readBytes;

namespace {

const std::string kSample = "IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] ACME\r\n[_MOUNTING] WALL\r\n"
                            "TILT=NONE\r\n1 1000 1 1 1 1 2 0 0 0\r\n1 1 100\r\n0\r\n0\r\n100\r\n";
const std::string kList = "[_MOUNTING], 0\r\nRECESSED\r\nWALL\r\n";
// A public sample with LF line ends.
const std::string kLfSample = "007cfb11e343e2f42e3b476be4ab684e.ies";

} // namespace

class TestBulkRun : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m = std::make_unique<Fixture>();
        m->data.write("Calvex/OrbKeywordFiles/Test.txt", kList);
        // Each test starts from an empty run journal of its own.
        tagmere::test::useStateFolder(m->state.path());
    }
    void cleanup() { m.reset(); }

    void bulkRunAsksFirst() {
        for (const char* name : {"a.ies", "b.ies"})
            m->files.write(name, kSample);
        start();
        c().optBulk->click();
        QTest::keyClicks(c().txtManufac, QStringLiteral("NEW"));
        QTreeWidget* tree = m->program->window->trvApplication()[0];
        tagmere::test::clickCheckBox(tree, tree->findItems(QStringLiteral("[_MOUNTING]"), Qt::MatchExactly).value(0));

        // No: nothing is written, and nothing follows the question.
        c().cmdAddKeywords->click();
        QCOMPARE(m->messages.shown.size(), size_t(1));
        // It names the files and lists the lines written, then the keywords removed.
        const std::string& asked = m->messages.shown[0].text;
        QVERIFY2(asked.find("(2) file(s)") != std::string::npos &&
                     asked.find(":\r[MANUFAC] NEW\r\r") < asked.find(":\r[_MOUNTING] removed\r\r"),
                 asked.c_str());
        QCOMPARE(readBytes(file("a.ies")), kSample);
        QVERIFY(!preview());

        // Preview: the preview opens and nothing is written.
        m->messages.answers.push_back(tagmere::ui::MessageBoxes::Preview);
        c().cmdAddKeywords->click();
        QTRY_VERIFY(preview() && preview()->isVisible());
        QVERIFY(preview()->summary().startsWith(QStringLiteral("2 file(s) would change")));
        QCOMPARE(readBytes(file("a.ies")), kSample);
        preview()->close();
        QTRY_VERIFY(!preview());

        // Yes: both files are written.
        m->messages.shown.clear();
        m->messages.answers.push_back(QMessageBox::Yes);
        c().cmdAddKeywords->click();
        const QString written = qs(kSample).replace(QStringLiteral("ACME\r\n[_MOUNTING] WALL"), QStringLiteral("NEW"));
        QCOMPARE(qs(readBytes(file("a.ies"))), written);
        QCOMPARE(qs(readBytes(file("b.ies"))), written);
        QCOMPARE(m->messages.shown.size(), size_t(2)); // the question, then the report
    }

    // Undo Last Run puts back what the newest run wrote, after a question that names the run,
    // and the window shows the restored file as it showed the written one.
    void undoLastRunPutsTheFilesBack() {
        for (const char* name : {"a.ies", "b.ies"})
            m->files.write(name, kSample);
        start();
        c().cmdUndoLastRun->click();
        QCOMPARE(m->messages.shown.size(), size_t(1));
        QCOMPARE(m->messages.shown[0].text, std::string("There is no run to undo."));

        c().optBulk->click();
        tagmere::test::clickRow(c().ltvFoundFiles, tagmere::test::findRow(c().ltvFoundFiles, QStringLiteral("a.ies")));
        QCOMPARE(c().txtManufac->text(), QStringLiteral("ACME"));
        c().txtManufac->clear();
        QTest::keyClicks(c().txtManufac, QStringLiteral("NEW"));
        m->messages.answers.push_back(QMessageBox::Yes);
        c().cmdAddKeywords->click();
        QVERIFY(readBytes(file("a.ies")) != kSample);
        QCOMPARE(c().txtManufac->text(), QStringLiteral("NEW"));

        // No: nothing is restored.
        m->messages.shown.clear();
        c().cmdUndoLastRun->click();
        QCOMPARE(m->messages.shown.size(), size_t(1));
        QVERIFY(readBytes(file("a.ies")) != kSample);

        m->messages.shown.clear();
        m->messages.answers.push_back(QMessageBox::Yes);
        c().cmdUndoLastRun->click();
        QCOMPARE(m->messages.shown.size(), size_t(2)); // the question, then the report
        const tagmere::Message& asked = m->messages.shown[0];
        QCOMPARE(asked.buttons, tagmere::MessageButtons::YesNo);
        QVERIFY2(asked.text.find("(2) file(s)") != std::string::npos &&
                     asked.text.find(":\rwindow: [MANUFAC] NEW; [_MOUNTING] WALL\r\r") != std::string::npos,
                 asked.text.c_str());
        QCOMPARE(readBytes(file("a.ies")), kSample);
        QCOMPARE(readBytes(file("b.ies")), kSample);
        QVERIFY2(m->messages.shown[1].text.find("2 restored") != std::string::npos, m->messages.shown[1].text.c_str());
        QCOMPARE(c().txtManufac->text(), QStringLiteral("ACME"));
    }

    // A run whose journal cannot be written writes nothing and says why, with no report.
    void runStopsWhenItsJournalCannotBeWritten() {
        for (const char* name : {"a.ies", "b.ies"})
            m->files.write(name, kSample);
        m->state.write("tagmere", "a file where the journal's folder should be");
        start();
        c().optBulk->click();
        QTest::keyClicks(c().txtManufac, QStringLiteral("NEW"));
        m->messages.answers.push_back(QMessageBox::Yes);
        c().cmdAddKeywords->click();
        QCOMPARE(m->messages.shown.size(), size_t(2)); // the question, then why nothing was written
        const tagmere::Message& stopped = m->messages.shown[1];
        QCOMPARE(stopped.icon, tagmere::MessageIcon::Exclamation);
        QVERIFY2(stopped.text.find("Nothing was changed: the run journal") == 0, stopped.text.c_str());
        QCOMPARE(readBytes(file("a.ies")), kSample);
    }

    // The report names the files it left as they are, a few of them and the rest counted.
    void undoReportNamesTheFilesLeftAlone() {
        tagmere::UndoOutcome outcome;
        outcome.run.number = 7;
        outcome.run.time = "2026-12-07 10:14:03";
        outcome.restored = 1;
        outcome.leftAlone = 22;
        std::vector<std::string> left;
        for (int i = 0; i < 22; ++i)
            left.push_back("Not restored: /lib/" + std::to_string(i) + ".ies: it changed since the run");
        const tagmere::Message report = tagmere::ui::undoReport(outcome, left);
        QCOMPARE(report.icon, tagmere::MessageIcon::Exclamation);
        QVERIFY2(report.text.find("/lib/19.ies") != std::string::npos &&
                     report.text.find("/lib/20.ies") == std::string::npos &&
                     report.text.find("\rand 2 more\r") != std::string::npos,
                 report.text.c_str());
    }

    // The question shows each keyword line as the run will write it, so a wrong value is seen
    // before Yes: the panel's line, a tree's (which wins over the panel's), a removal and a
    // line too long for one, each to the end of its part.
    void questionShowsTheLinesWritten() {
        using tagmere::BatchNode;
        tagmere::MiscPanel panel;
        panel.chkManufac = true;
        panel.txtManufac = "] INFINITY LIGHTING";
        std::vector<BatchNode> many{{"[_LAMP]", true}};
        for (int i = 0; i < 30; ++i)
            many.push_back({"VALUE NUMBER " + std::to_string(i), true});
        const std::string written = "The following Keyword(s) will be added or replaced:\r";
        const std::string manufac = written + "[MANUFAC] ] INFINITY LIGHTING\r";
        const struct {
            const char* name;
            tagmere::BatchTrees trees;
            std::string shown;
        } rows[] = {
            {"panel value", {}, manufac + "\r"},
            {"tree values",
             {std::vector<BatchNode>{{"[_MOUNTING]", true}, {"RECESSED", true}, {"WALL", true}, {"POLE", false}}},
             manufac + "[_MOUNTING] RECESSED, WALL\r\r"},
            {"removed",
             {std::vector<BatchNode>{{"[_MOUNTING]", true}, {"WALL", false}}},
             manufac + "\rThe following Keyword(s) will be removed:\r[_MOUNTING] removed\r\r"},
            {"tree over panel",
             {std::vector<BatchNode>{{"[MANUFAC]", true}, {"ACME", true}}},
             written + "[MANUFAC] ACME\r\r"},
            {"[MORE] lines", {many}, ", VALUE NUMBER 14\r... (+2 [MORE] line(s))\r\r"},
        };
        for (const auto& row : rows) {
            const std::string asked = tagmere::ui::bulkQuestionText(3, panel, row.trees);
            QVERIFY2(asked.find(row.shown) != std::string::npos, (std::string(row.name) + ": " + asked).c_str());
        }
    }

    // Changed files come first in the preview's list, so its diff shows the LF file's.
    void previewShowsKeywordLinesOfAnLfFileAndRefusals() {
        const std::string sample = readBytes(std::string(TAGMERE_SOURCE_DIR) + "/tests/data/ies/" + kLfSample);
        m->files.write(kLfSample, sample);
        QCOMPARE(::chmod(m->files.write("locked.ies", kSample).c_str(), 0444), 0);
        start();
        c().optBulk->click();
        QTest::keyClicks(c().txtSearchCRI, QStringLiteral("90"));
        c().cmdPreview->click();
        QVERIFY(preview());
        QCOMPARE(preview()->summary(),
                 QStringLiteral(
                     "1 file(s) would change, 1 would be refused, 0 would not change. Nothing has been written."));
        QCOMPARE(preview()->findChild<QListWidget*>(QStringLiteral("lstPreviewFiles"))->item(1)->text(),
                 QStringLiteral("would be refused: ") + tagmere::test::shownPath(qs(file("locked.ies"))));
        const QStringList lines = preview()
                                      ->findChild<QPlainTextEdit*>(QStringLiteral("txtPreviewDiff"))
                                      ->toPlainText()
                                      .split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("line ends become CR LF"));
        // Changed lines, without the "+++" and "---" file lines.
        const QStringList changed = lines.filter(QRegularExpression(QStringLiteral("^[+-](?!\\+\\+ |-- )")));
        QCOMPARE(changed, QStringList{QStringLiteral("+[_SEARCH_CRI] 90")});
        QCOMPARE(readBytes(file(kLfSample)), sample);
    }

private:
    // Declared so that the program goes before the folders it uses.
    struct Fixture {
        tagmere::test::MessageRecorder messages;
        tagmere::test::TempFolder data, config, files, state;
        std::unique_ptr<tagmere::ui::Program> program;
    };

    void start() {
        m->program = tagmere::test::startProgram(qs(m->data.path()), qs(m->config.path()), m->messages);
        c().cbxKeywordFiles->setCurrentIndex(c().cbxKeywordFiles->findText(QStringLiteral("Test")));
        QVERIFY(c().dirList->setPath(QDir(qs(m->files.path())).canonicalPath()));
        c().cmdFind->click();
        m->messages.shown.clear();
    }

    const Ui::frmAddKeywords& c() const { return m->program->window->controls(); }
    std::string file(const std::string& name) const {
        return QDir(qs(m->files.path())).canonicalPath().toStdString() + "/" + name;
    }
    tagmere::ui::PreviewDialog* preview() const {
        return m->program->window->findChild<tagmere::ui::PreviewDialog*>(QStringLiteral("frmPreview"));
    }

    std::unique_ptr<Fixture> m;
};

QTEST_MAIN(TestBulkRun)
#include "test_bulkrun.moc"
