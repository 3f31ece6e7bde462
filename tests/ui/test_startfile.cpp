// SPDX-License-Identifier: GPL-3.0-or-later
// The program's start as the command line gives it: a file named there opens its folder and
// becomes current as a click would make it, or is refused with a message; and the icon.
#include "guitest.h"
#include "testsupport.h"

#include "ui/frmview.h"
#include "ui_frmaddkeywords.h"

#include <QApplication>
#include <QDir>

using namespace tagmere::test;

namespace {

std::string sample(const std::string& maker) {
    return "IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] " + maker +
           "\r\nTILT=NONE\r\n1 1000 1 1 1 1 2 0 0 0\r\n1 1 100\r\n0\r\n0\r\n100\r\n";
}

struct Session {
    MessageRecorder messages;
    TempFolder data, config, files;
    std::unique_ptr<tagmere::ui::Program> program; // last, so it goes first
};

} // namespace

class TestStartFile : public QObject {
    Q_OBJECT
    std::unique_ptr<Session> m;
    QString m_workingFolder;

    void start(const QString& file) {
        m->program = startProgram(qs(m->data.path()), qs(m->config.path()), m->messages, file);
    }
    tagmere::ui::frmAddKeywords* window() const { return m->program->window.get(); }
    const Ui::frmAddKeywords& c() const { return window()->controls(); }
    QTreeView* list() const { return c().ltvFoundFiles; }
    QString root() const { return QDir(qs(m->files.path())).canonicalPath(); }
    void writeLamps() const {
        m->files.write("a.ies", sample("ALPHA"));
        m->files.write("lamps/b.ies", sample("BETA"));
        m->files.write("lamps/c.IES", sample("GAMMA"));
        m->files.write("lamps/deeper/d.ies", sample("DELTA"));
    }
    // The file is current as after a click: selected in the list, read, its keywords shown.
    void verifyCurrent(const QString& name, const QString& path, const QString& maker) const {
        const ListRow current(list()->currentIndex());
        QVERIFY(current);
        QCOMPARE(current->text(0), name);
        QVERIFY(list()->selectionModel()->isRowSelected(current.index().row(), {}));
        QCOMPARE(qs(m->program->globals.gstrSelectedFile), path);
        QVERIFY(window()->fileKeywordsShown());
        QVERIFY(c().chkManufac->isChecked());
        QCOMPARE(c().txtManufac->text(), maker);
    }

private slots:
    void init() {
        m = std::make_unique<Session>();
        m_workingFolder = QDir::currentPath();
    }
    void cleanup() {
        m.reset();
        QDir::setCurrent(m_workingFolder);
    }

    void fileOpensItsFolderAndBecomesCurrent() {
        writeLamps();
        start(qs(m->files.file("lamps/c.IES")));
        QCOMPARE(m->messages.shown.size(), size_t(1)); // the backup warning, nothing else
        QCOMPARE(c().dirList->path(), root() + QStringLiteral("/lamps"));
        // Searched as Search searches: the folder and below it, nothing above.
        QCOMPARE(rowCount(list()), 3);
        QVERIFY(findRow(list(), QStringLiteral("d.ies")) && !findRow(list(), QStringLiteral("a.ies")));
        verifyCurrent(QStringLiteral("c.IES"), root() + QStringLiteral("/lamps/c.IES"), QStringLiteral("GAMMA"));
    }

    void relativeNameIsTakenFromTheWorkingFolder() {
        writeLamps();
        QVERIFY(QDir::setCurrent(root() + QStringLiteral("/lamps/deeper")));
        start(QStringLiteral("../b.ies"));
        QCOMPARE(m->messages.shown.size(), size_t(1));
        QCOMPARE(c().dirList->path(), root() + QStringLiteral("/lamps"));
        verifyCurrent(QStringLiteral("b.ies"), root() + QStringLiteral("/lamps/b.ies"), QStringLiteral("BETA"));
    }

    void refusedFileIsNamedAndNothingBecomesCurrent_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("why");
        QTest::newRow("missing") << "lamps/gone.ies"
                                 << "does not exist";
        QTest::newRow("not ies") << "lamps/notes.txt"
                                 << "is not a photometric file (*.ies)";
        QTest::newRow("folder") << "lamps"
                                << "is not a photometric file (*.ies)";
        QTest::newRow("hidden") << "lamps/.draft.ies"
                                << "is not listed by a search of its folder";
    }
    void refusedFileIsNamedAndNothingBecomesCurrent() {
        QFETCH(QString, name);
        QFETCH(QString, why);
        writeLamps();
        m->files.write("lamps/notes.txt", sample("NOTES"));
        m->files.write("lamps/.draft.ies", sample("DRAFT"));
        const QString path = qs(m->files.path()) + QLatin1Char('/') + name;
        start(path);
        QCOMPARE(m->messages.shown.size(), size_t(2));
        const tagmere::Message& refusal = m->messages.shown.back();
        QCOMPARE(refusal.icon, tagmere::MessageIcon::Exclamation);
        QVERIFY2(q(refusal.text).startsWith(tagmere::test::shownPath(path) + QLatin1Char(' ') + why),
                 refusal.text.c_str());
        QVERIFY(window()->isVisible());
        QVERIFY(m->program->globals.gstrSelectedFile.empty());
        QVERIFY(!window()->fileKeywordsShown());
        QVERIFY(!list()->selectionModel()->hasSelection());
    }

    void everyWindowCarriesTheProgramIcon() {
        start(QString());
        // PNGs in every size the package installs, so no SVG plugin is needed to draw it.
        for (const QIcon& icon :
             {QApplication::windowIcon(), window()->windowIcon(), window()->viewWindow()->windowIcon()}) {
            const QList<QSize> sizes = icon.availableSizes();
            for (const int size : {16, 32, 48, 64, 128, 256})
                QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
        }
    }
};

QTEST_MAIN(TestStartFile)
#include "test_startfile.moc"
