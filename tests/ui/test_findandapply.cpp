// SPDX-License-Identifier: GPL-3.0-or-later
// The whole job in the main window: search a folder, pick a file, tick, apply, read the report.
// The rules behind each step have windowless tables; these check that the window is wired to them.
#include "guitest.h"
#include "testsupport.h"

#include "ui/frmview.h"
#include "ui/previewdialog.h"
#include "ui_frmaddkeywords.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QProgressDialog>

#include <cstdlib>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace tagmere::test;
using tagmere::ui::frmAddKeywords;

namespace {

const std::string kHeader = "IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] ACME\r\n";
const std::string kData = "TILT=NONE\r\n1 1000 1 1 1 1 2 0 0 0\r\n1 1 100\r\n0\r\n0\r\n100\r\n";
const std::string kSample = kHeader + kData;

struct Session {
    MessageRecorder messages;
    TempFolder data, config, files;
    std::unique_ptr<tagmere::ui::Program> program; // last, so it goes first
};

} // namespace

class TestFindAndApply : public QObject {
    Q_OBJECT
    std::unique_ptr<Session> m;

    void start(const std::vector<std::string>& files) {
        for (const std::string& name : files)
            m->files.write(name, kSample);
        m->data.write("Calvex/OrbKeywordFiles/Test.txt",
                      "[_MOUNTING], 0\r\nRECESSED\r\nPENDANT\r\nWALL\r\n[_SHAPE], 1\r\nROUND\r\nSQUARE\r\n");
        m->program =
            startProgram(QString::fromStdString(m->data.path()), QString::fromStdString(m->config.path()), m->messages);
        m->messages.shown.clear();
        c().cbxKeywordFiles->setCurrentIndex(c().cbxKeywordFiles->findText(QStringLiteral("Test")));
        QVERIFY(c().dirList->setPath(root()));
        c().cmdFind->click();
    }
    frmAddKeywords* window() const { return m->program->window.get(); }
    const Ui::frmAddKeywords& c() const { return window()->controls(); }
    QTreeView* list() const { return c().ltvFoundFiles; }
    QString root() const { return QDir(QString::fromStdString(m->files.path())).canonicalPath(); }
    std::string file(const std::string& name) const { return root().toStdString() + "/" + name; }
    ListRow row(const char* name) const { return findRow(list(), QLatin1String(name)); }
    void showFile(const char* name) { clickRow(list(), row(name)); }
    bool reportCounts(int files) const {
        return m->messages.shown.back().text.find("(" + std::to_string(files) + ") file(s)") != std::string::npos;
    }

private slots:
    void init() { m = std::make_unique<Session>(); }
    void cleanup() { m.reset(); }

    void clickShowsTheFilesKeywordsInTheFileColour() {
        m->config.write("Calvex-FileSystem.ini", "[Startup]\nOrbFileSelectColor=32768\n");
        m->files.write("shown.ies", "IESNA:LM-63-2002\r\n[MANUFAC] Lumen Works\r\n[_MOUNTING] recessed, Wall\r\n"
                                    "[_SEARCH_CRI] 80\r\n[_SHAPE] Square\r\n[_SEARCH_SOURCETYPE] laser\r\n" +
                                        kData);
        start({"other.ies"});
        showFile("shown.ies");
        QStringList ticked;
        for (QTreeWidget* tree : window()->trvApplication()) {
            for (QTreeWidgetItemIterator it(tree, QTreeWidgetItemIterator::Checked); *it; ++it) {
                ticked << (*it)->text(0);
                QCOMPARE((*it)->foreground(0).color(), QColor(0, 128, 0)); // 32768, as set
            }
        }
        QCOMPARE(ticked.join(QLatin1Char(' ')), QStringLiteral("[_MOUNTING] RECESSED WALL [_SHAPE] SQUARE"));
        QCOMPARE(c().txtManufac->text(), QStringLiteral("Lumen Works"));
        // A source type the list does not hold ticks its row and leaves the list as it was.
        QCOMPARE(c().cbxSourceType->currentText(), QLatin1String(tagmere::kDefaultSourceType));
        for (QCheckBox* box : {c().chkManufac, c().chkSearchCRI, c().chkSearchSource}) {
            QVERIFY2(box->isChecked() && box->font().bold(), qPrintable(box->objectName()));
            QCOMPARE(box->palette().color(QPalette::WindowText), QColor(0, 128, 0));
        }
    }

    void filesWithHeaderErrorsAreMarked() {
        // Files are judged by their own version: a 1995 file needs no keyword, a 2002 file four.
        const std::string valid = "TILT=NONE\r\n1 1000 1 2 1 1 2 0 0 0\r\n1 1 100\r\n0 90\r\n0\r\n100 50\r\n";
        m->files.write("good.ies", "IESNA:LM-63-1995\r\n[TEST] T\r\n[DATE] D\r\n" + valid);
        m->files.write("nomaker.ies", "IESNA:LM-63-2002\r\n[TEST] T\r\n[TESTLAB] L\r\n[ISSUEDATE] D\r\n" + valid);
        start({"bad.ies"}); // no [TESTLAB] nor [ISSUEDATE]
        const ListRow bad = row("bad.ies"), good = row("good.ies"), nomaker = row("nomaker.ies");
        QVERIFY(!bad->icon(0).isNull() && !nomaker->icon(0).isNull() && good->icon(0).isNull());
        // Every tip names the file in full with its date; a marked one adds the findings.
        QCOMPARE(good->toolTip(0), tagmere::test::shownPath(qs(file("good.ies"))) + QLatin1Char('\n') + good->text(1));
        QVERIFY2(!good->text(1).contains(QDateTime::currentDateTime().timeZoneAbbreviation()),
                 qPrintable(good->text(1)));
        QVERIFY2(bad->toolTip(0).contains(QStringLiteral("\n\nline 4: missing-keyword error")),
                 qPrintable(bad->toolTip(0)));
        // A run that adds the missing keyword clears the mark; the other file keeps its own.
        c().optBulk->click();
        QTest::keyClicks(c().txtManufac, QStringLiteral("ACME"));
        m->messages.answers.push_back(QMessageBox::Yes);
        c().cmdAddKeywords->click();
        QVERIFY(nomaker->icon(0).isNull() && !bad->icon(0).isNull());
    }

    void foldersThatCannotBeReadAreNamed() {
#ifdef _WIN32
        QSKIP("builds the too-deep folder with POSIX calls");
#else
        // Below the search folder, a folder whose path is longer than the system allows.
        int fd = ::open(m->files.path().c_str(), O_RDONLY | O_DIRECTORY);
        const std::string step(250, 'd');
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(::mkdirat(fd, step.c_str(), 0700), 0);
            const int next = ::openat(fd, step.c_str(), O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
        }
        ::close(::openat(fd, "deep.ies", O_WRONLY | O_CREAT, 0644));
        ::close(fd);
        start({"a.ies"});
        QCOMPARE(rowCount(list()), 1);
        QCOMPARE(m->messages.shown.size(), size_t(1));
        const std::string& text = m->messages.shown[0].text;
        QVERIFY2(text.find("could not be read") != std::string::npos && text.find(step) != std::string::npos &&
                     text.find("File name too long") != std::string::npos,
                 text.c_str());
        QCOMPARE(std::system(("rm -rf " + m->files.path() + "/" + step).c_str()), 0);
#endif
    }

    void searchTakesNoInputAndEscStopsIt() {
        // Walked: the start folder, then B (its two files), then A, then the start folder's own file.
        for (const char* name : {"A/a1.ies", "B/b1.ies", "B/b2.ies", "s.ies"})
            m->files.write(name, kSample);
        start({});
        QList<bool> enabled;
        const auto watch = connect(list()->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            enabled << c().drvList->isEnabled() << c().dirList->isEnabled() << c().cmdFind->isEnabled()
                    << c().cmdAddKeywords->isEnabled();
            QTest::keyClick(window(), Qt::Key_Escape);
        });
        c().cmdFind->click();
        disconnect(watch);
        QVERIFY(row("b1.ies") && row("b2.ies") && rowCount(list()) == 2 && !enabled.contains(true));
        QVERIFY(c().cmdFind->isEnabled() && c().dirList->isEnabled());
        // Esc outside a search does nothing, and the next search runs in full.
        QTest::keyClick(window(), Qt::Key_Escape);
        c().cmdFind->click();
        QCOMPARE(rowCount(list()), 4);
    }

    void stoppingTheRunCountsTheFilesDone() {
        start({"a.ies", "b.ies", "c.ies"});
        c().optBulk->click();
        QTest::keyClicks(c().txtSearchCRI, QStringLiteral("90"));
        window()->setProgressDelay(0);
        QList<int> progress;
        connect(window(), &frmAddKeywords::batchProgress, this, [&](int done, int total) {
            progress << done << total;
            if (auto* dialog = window()->findChild<QProgressDialog*>())
                dialog->cancel();
        });
        bool dialogAtReport = true;
        m->messages.whenShown = [&] { dialogAtReport = window()->findChild<QProgressDialog*>() != nullptr; };
        m->messages.answers.push_back(QMessageBox::Yes);
        c().cmdAddKeywords->click();
        QCOMPARE(progress, QList<int>({1, 3}));
        QVERIFY(!dialogAtReport && reportCounts(1));
        QCOMPARE(readBytes(file("a.ies")), kHeader + "[_SEARCH_CRI] 90\r\n" + kData);
    }

    void editModeShowsCheckBoxesInBulkOnly() {
        start({"a.ies", "b.ies"});
        const ListRow a = row("a.ies");
        QVERIFY(!a->data(0, Qt::CheckStateRole).isValid());
        c().optBulk->click();
        QCOMPARE(a->checkState(0), Qt::Checked);
        // Ticking a file does not make it the current one.
        clickCheckBox(list(), a);
        QVERIFY(m->program->globals.gstrSelectedFile.empty());
        // Single hides the marks and Ctrl+A ticks nothing; Bulk shows them as kept, and Ctrl+A ticks all.
        c().optSingle->click();
        QVERIFY(!a->data(0, Qt::CheckStateRole).isValid());
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_A, Qt::ControlModifier);
        c().optBulk->click();
        QCOMPARE(a->checkState(0), Qt::Unchecked);
        QTest::keyClick(list(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(a->checkState(0), Qt::Unchecked);
        QTest::keyClick(list(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(a->checkState(0), Qt::Checked);
    }

    void runWritesItsTargetsOnly_data() {
        QTest::addColumn<bool>("bulk");
        QTest::addColumn<QString>("written");
        QTest::newRow("bulk over the ticked files") << true << QStringLiteral("a.ies sub/c.ies");
        QTest::newRow("single on the current file") << false << QStringLiteral("b.ies");
    }
    void runWritesItsTargetsOnly() {
        QFETCH(bool, bulk);
        QFETCH(QString, written);
        start({"a.ies", "b.ies", "sub/c.ies"});
        if (bulk) {
            c().optBulk->click();
            clickCheckBox(list(), row("b.ies"));
            m->messages.answers.push_back(QMessageBox::Yes); // the question before a Bulk run
        } else {
            showFile("b.ies");
        }
        c().txtSearchCRI->setText(QStringLiteral("60"));
        // A click on Search and a close during the run: neither is taken, nor kept for later.
        connect(window(), &frmAddKeywords::batchProgress, this, [&](int done) {
            if (done == 1) {
                QTest::mouseClick(c().cmdFind, Qt::LeftButton);
                window()->close();
            }
        });
        // The current file is shown again, as written, before the report.
        QString viewAtReport;
        m->messages.whenShown = [&] { viewAtReport = window()->viewWindow()->txtView()->toPlainText(); };
        c().cmdAddKeywords->click();
        QCoreApplication::processEvents();
        for (const char* name : {"a.ies", "b.ies", "sub/c.ies"})
            QCOMPARE(readBytes(file(name)),
                     written.contains(QLatin1String(name)) ? kHeader + "[_SEARCH_CRI] 60\r\n" + kData : kSample);
        QCOMPARE(m->messages.shown.size(), size_t(bulk ? 2 : 1)); // a question in Bulk only, then the report
        QVERIFY(reportCounts(bulk ? 2 : 1));
        QCOMPARE(viewAtReport.contains(QStringLiteral("[_SEARCH_CRI] 60\n")), !bulk);
        QVERIFY(window()->isVisible() && !QGuiApplication::overrideCursor());
        QCOMPARE(c().txtSearchCRI->text(), QStringLiteral("60")); // a search would have emptied the panel
    }

    // Reloading the list leaves no file current, so a Single run then writes nothing.
    void reloadLeavesNoFileCurrent() {
        start({"a.ies"});
        showFile("a.ies");
        c().cmdRefresh->click();
        c().txtSearchCRI->setText(QStringLiteral("60"));
        c().cmdAddKeywords->click();
        QCOMPARE(readBytes(file("a.ies")), kSample);
    }

    void folderAndDriveChanges() {
        start({"a.ies", "sub/b.ies"});
        showFile("a.ies");
        // A folder change after a search empties the list and the view.
        QVERIFY(c().dirList->setPath(root() + QStringLiteral("/sub")));
        QVERIFY(rowCount(list()) == 0 && !window()->fileKeywordsShown());
        QVERIFY(window()->viewWindow()->txtView()->toPlainText().isEmpty());

        // A drive that cannot be opened: the folder list stays, and its drive comes back.
        tagmere::ui::DriveListBox* drives = c().drvList;
        const QString drive = tagmere::ui::DriveListBox::driveOf(root());
        drives->addItem(QStringLiteral("gone"), QStringLiteral("/no/such/volume"));
        drives->setCurrentIndex(drives->count() - 1);
        emit drives->activated(drives->count() - 1);
        QCOMPARE(c().dirList->path(), root() + QStringLiteral("/sub"));
        QCOMPARE(drives->drive(), drive);
        // A good drive moves the folder list to its root.
        drives->setCurrentIndex(drives->findData(drive));
        emit drives->activated(drives->currentIndex());
        QCOMPARE(c().dirList->path(), drive);
    }
};

QTEST_MAIN(TestFindAndApply)
#include "test_findandapply.moc"
