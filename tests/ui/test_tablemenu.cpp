// SPDX-License-Identifier: GPL-3.0-or-later
// The library as a table from the found list's context menu: the export writes the found files'
// rows, and a table edited since gives each file its own values through the preview, the
// question and an ordinary run that Undo Last Run can take back.
#include "guitest.h"
#include "testsupport.h"

#include "ui/filedialogs.h"
#include "ui/previewdialog.h"
#include "ui_frmaddkeywords.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>

#include <deque>
#include <fstream>

using tagmere::test::qs;
using tagmere::test::readBytes;
using tagmere::ui::FileDialogs;

using tagmere::test::csvGrid;
using tagmere::test::csvText;
using tagmere::test::Grid;

namespace {

const std::string kSample = "IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] ACME\r\n[_MOUNTING] WALL\r\n"
                            "TILT=NONE\r\n1 1000 1 1 1 1 2 0 0 0\r\n1 1 100\r\n0\r\n0\r\n100\r\n";

size_t columnOf(const Grid& grid, const std::string& heading) {
    const auto at = std::find(grid.at(0).begin(), grid.at(0).end(), heading);
    return static_cast<size_t>(at - grid[0].begin());
}

// The grid row whose path cell is `path`, or 0.
size_t rowOf(const Grid& grid, const std::string& path) {
    const size_t column = columnOf(grid, "path");
    for (size_t r = 1; r < grid.size(); ++r) {
        if (grid[r].size() > column && grid[r][column] == path)
            return r;
    }
    return 0;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

class TestTableMenu : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m = std::make_unique<Fixture>();
        m->data.write("Calvex/OrbKeywordFiles/Test.txt", "[_MOUNTING], 0\r\nRECESSED\r\nWALL\r\n");
        // Each test starts from an empty run journal of its own.
        tagmere::test::useStateFolder(m->state.path());
        FileDialogs::setHandler([this](const FileDialogs::Request& request) {
            m->asked.push_back(request);
            if (m->answers.empty())
                return FileDialogs::Answer{};
            const FileDialogs::Answer answer = m->answers.front();
            m->answers.pop_front();
            return answer;
        });
    }
    void cleanup() {
        FileDialogs::setHandler({});
        m.reset();
    }

    // The menu opens over the list; its export writes every found file's row, its folder the
    // searched one, and a table with one cell edited changes that one file only.
    void exportThenApplyAnEditedCell() {
        for (const char* name : {"a.ies", "sub/b.ies"})
            m->files.write(name, kSample);
        start();
        QMenu* menu = openMenu();
        QAction* exportAction = window()->findChild<QAction*>(QStringLiteral("mnuExportTable"));
        QVERIFY(menu && exportAction && exportAction->isEnabled());
        QCOMPARE(exportAction->text(), QStringLiteral("Export Keywords and Figures\u2026"));
        const std::string table = m->tables.file("library.csv");
        m->answers.push_back({qs(table), QStringLiteral("CSV table (*.csv)")});
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(exportAction).center());

        QCOMPARE(m->asked.size(), size_t(1));
        QCOMPARE(m->asked[0].mode, FileDialogs::Mode::Save);
        QCOMPARE(m->asked[0].filters, QStringLiteral("CSV table (*.csv);;JSON lines (*.json)"));
        QCOMPARE(m->messages.shown.size(), size_t(1));
        QCOMPARE(m->messages.shown[0].text,
                 "(2) row(s) were written to the table " + tagmere::test::shownPath(table) + ", one per file.");
        Grid grid = csvGrid(readBytes(table));
        QCOMPARE(grid.size(), size_t(3));
        const size_t a = rowOf(grid, "a.ies"), b = rowOf(grid, tagmere::test::shownPath(std::string("sub/b.ies")));
        QVERIFY(a > 0 && b > 0);
        QCOMPARE(grid[a][columnOf(grid, "folder")], tagmere::test::shownPath(root()));
        const size_t manufac = columnOf(grid, "[MANUFAC]");
        QCOMPARE(grid[a].at(manufac), std::string("ACME"));
        QCOMPARE(grid[b].at(manufac), std::string("ACME"));
        // No part file is left beside the table.
        QCOMPARE(tagmere::test::listFolder(m->tables.path()), std::vector<std::string>{"library.csv"});

        grid[b][manufac] = "NEW MAKER";
        writeFile(table, csvText(grid));
        m->messages.shown.clear();
        m->answers.push_back({qs(table), QStringLiteral("CSV table (*.csv)")});
        window()->findChild<QAction*>(QStringLiteral("mnuApplyTable"))->trigger();
        QCOMPARE(m->asked.back().mode, FileDialogs::Mode::Open);
        // The preview comes first, and nothing is asked or written until it is accepted.
        QTRY_VERIFY(preview() && preview()->isVisible());
        QCOMPARE(preview()->summary(),
                 QStringLiteral(
                     "1 file(s) would change, 0 would be refused, 1 would not change. Nothing has been written."));
        QVERIFY(m->messages.shown.empty());
        QCOMPARE(readBytes(file("sub/b.ies")), kSample);
        m->messages.answers.push_back(QMessageBox::Yes);
        goOnButton()->click();
        QTRY_VERIFY(m->messages.answers.empty()); // the question comes once the preview has closed

        QCOMPARE(m->messages.shown.size(), size_t(2)); // the question, then the report
        const tagmere::Message& asked = m->messages.shown[0];
        QCOMPARE(asked.buttons, tagmere::MessageButtons::YesNo);
        QVERIFY2(contains(asked.text, "per-file values from the table " + tagmere::test::shownPath(table) +
                                          " to (1) file(s) below " + tagmere::test::shownPath(root())),
                 asked.text.c_str());
        QVERIFY2(contains(m->messages.shown[1].text, "(2) file(s):\r\r[MANUFAC]\r"), m->messages.shown[1].text.c_str());
        QCOMPARE(qs(readBytes(file("sub/b.ies"))), qs(withManufac("NEW MAKER")));
        QCOMPARE(readBytes(file("a.ies")), kSample);
        QVERIFY(!QGuiApplication::overrideCursor()); // the busy cursor is gone with the run

        // An ordinary run: Undo Last Run takes it back.
        QTRY_VERIFY(!preview());
        m->messages.shown.clear();
        m->messages.answers.push_back(QMessageBox::Yes);
        c().cmdUndoLastRun->click();
        QVERIFY2(
            contains(m->messages.shown.at(0).text, "window: values from the table " + tagmere::test::shownPath(table)),
            m->messages.shown.at(0).text.c_str());
        QCOMPARE(readBytes(file("sub/b.ies")), kSample);
    }

    // A table as exported gives every file the values it holds: nothing to write, nothing asked.
    void anUneditedTableWritesNothing() {
        for (const char* name : {"a.ies", "b.ies"})
            m->files.write(name, kSample);
        start();
        const std::string table = exportCsv("same.csv");
        m->messages.shown.clear();
        m->answers.push_back({qs(table), QStringLiteral("CSV table (*.csv)")});
        action("mnuApplyTable")->trigger();
        QTRY_VERIFY(preview() && preview()->isVisible());
        QCOMPARE(preview()->summary(),
                 QStringLiteral(
                     "0 file(s) would change, 0 would be refused, 2 would not change. Nothing has been written."));
        // Each file is listed all the same, so the user sees which ones the table names.
        const QListWidget* files = preview()->findChild<QListWidget*>(QStringLiteral("lstPreviewFiles"));
        QCOMPARE(files->count(), 2);
        QCOMPARE(files->item(0)->text(), QStringLiteral("unchanged: ") + tagmere::test::shownPath(qs(file("a.ies"))));
        QVERIFY(!goOnButton());
        preview()->close();
        QTRY_VERIFY(!preview());
        QVERIFY(m->messages.shown.empty());
        QCOMPARE(readBytes(file("a.ies")), kSample);
        QCOMPARE(readBytes(file("b.ies")), kSample);
        QVERIFY(tagmere::test::listFolder(m->state.path()).empty()); // no run was journalled
    }

    // Bulk exports the ticked files only; the format follows the filter chosen.
    void bulkExportsTheTickedFilesAsJsonLines() {
        for (const char* name : {"a.ies", "b.ies"})
            m->files.write(name, kSample);
        m->files.write("unreadable.ies", kSample + std::string(1, '\0')); // not text: its row says why
        start();
        c().optBulk->click();
        tagmere::test::clickCheckBox(list(), tagmere::test::findRow(list(), QStringLiteral("b.ies")));
        const std::string table = m->tables.file("ticked.json");
        m->answers.push_back({qs(table), QStringLiteral("JSON lines (*.json)")});
        action("mnuExportTable")->trigger();
        const std::string json = readBytes(table);
        QVERIFY2(json.rfind("{\"folder\":", 0) == 0 && contains(json, "\"path\":\"a.ies\"") &&
                     !contains(json, "\"path\":\"b.ies\""),
                 json.c_str());
        QCOMPARE(std::count(json.begin(), json.end(), '\n'), 2L);
        const tagmere::Message& told = m->messages.shown.at(0);
        QCOMPARE(told.text, "(2) row(s) were written to the table " + tagmere::test::shownPath(table) +
                                ", one per file.\r\r(1) file(s) could not be read; their rows say why.");
        QCOMPARE(told.icon, tagmere::MessageIcon::Exclamation);
    }

    // Rows the run may not touch are refused and named, as any refused file is; the rest are written.
    void refusedRowsAreNamed() {
        for (const char* name : {"a.ies", "b.ies", "c.ies"})
            m->files.write(name, kSample);
        start();
        const std::string table = exportCsv("t.csv");
        Grid grid = csvGrid(readBytes(table));
        const size_t manufac = columnOf(grid, "[MANUFAC]"), path = columnOf(grid, "path");
        const size_t a = rowOf(grid, "a.ies"), b = rowOf(grid, "b.ies"), cRow = rowOf(grid, "c.ies");
        for (const size_t r : {a, b, cRow})
            grid[r][manufac] = "NEW";
        grid[b][path] = "../b.ies";
        writeFile(table, csvText(grid));
        writeFile(file("c.ies"), kSample + "\r\n"); // changed since the export

        m->messages.shown.clear();
        m->answers.push_back({qs(table), QStringLiteral("CSV table (*.csv)")});
        action("mnuApplyTable")->trigger();
        QTRY_VERIFY(preview() && preview()->isVisible());
        QCOMPARE(preview()->summary(),
                 QStringLiteral(
                     "1 file(s) would change, 2 would be refused, 0 would not change. Nothing has been written."));
        m->messages.answers.push_back(QMessageBox::Yes);
        goOnButton()->click();
        QTRY_VERIFY(m->messages.answers.empty()); // the question comes once the preview has closed
        std::string said;
        for (const tagmere::Message& message : m->messages.shown)
            said += message.text + "\n";
        QVERIFY2(contains(said, "Unable to perform edit: " + tagmere::test::shownPath(root() + "/../b.ies") + ": row " +
                                    std::to_string(b + 1) + ": its path lies outside its folder") &&
                     contains(said, "Unable to perform edit: " + tagmere::test::shownPath(file("c.ies")) +
                                        ": it changed since the table"),
                 said.c_str());
        QCOMPARE(qs(readBytes(file("a.ies"))), qs(withManufac("NEW")));
        QCOMPARE(readBytes(file("c.ies")), kSample + "\r\n");
    }

    // A changed read-only cell is ignored and said so; a damaged table is mended before it is applied.
    void readOnlyCellsAndDamageAreNoted() {
        for (const char* name : {"a.ies", "b.ies"})
            m->files.write(name, kSample);
        start();
        const std::string table = exportCsv("t.csv");
        Grid grid = csvGrid(readBytes(table));
        const size_t a = rowOf(grid, "a.ies"), b = rowOf(grid, "b.ies");
        grid[a][columnOf(grid, "[MANUFAC]")] = "NEW";
        grid[b][columnOf(grid, "version")] = "EDITED";
        const QString readOnly = QStringLiteral("Read-only cells of the table were changed (first in row %1); they are "
                                                "ignored.")
                                     .arg(b + 1);

        writeFile(table, csvText(grid) + "\"cut short");
        m->messages.shown.clear();
        m->answers.push_back({qs(table), QStringLiteral("CSV table (*.csv)")});
        action("mnuApplyTable")->trigger();
        QTRY_VERIFY(preview() && preview()->isVisible());
        QCOMPARE(preview()->note(), readOnly + QStringLiteral("\nThe table is damaged: row 4 ends inside a quoted "
                                                              "field: the table is cut short; the rows after it "
                                                              "would not be applied."));
        QVERIFY(!goOnButton());
        preview()->close();
        QTRY_VERIFY(!preview());

        writeFile(table, csvText(grid));
        m->answers.push_back({qs(table), QStringLiteral("CSV table (*.csv)")});
        action("mnuApplyTable")->trigger();
        QTRY_VERIFY(preview() && preview()->isVisible());
        QCOMPARE(preview()->note(), readOnly);
        m->messages.answers.push_back(QMessageBox::Yes);
        goOnButton()->click();
        QTRY_VERIFY(m->messages.answers.empty());
        const tagmere::Message& report = m->messages.shown.back();
        QVERIFY2(contains(report.text, "\r\r" + readOnly.toStdString() + "\r"), report.text.c_str());
        QCOMPARE(report.icon, tagmere::MessageIcon::Exclamation);
        QCOMPARE(qs(readBytes(file("a.ies"))), qs(withManufac("NEW")));
        QCOMPARE(readBytes(file("b.ies")), kSample);
    }

    // What is written is what was previewed: a table changed meanwhile writes nothing.
    void aTableChangedAfterThePreviewWritesNothing() {
        m->files.write("a.ies", kSample);
        start();
        const std::string table = exportCsv("t.csv");
        Grid grid = csvGrid(readBytes(table));
        grid[rowOf(grid, "a.ies")][columnOf(grid, "[MANUFAC]")] = "NEW";
        writeFile(table, csvText(grid));
        m->answers.push_back({qs(table), QStringLiteral("CSV table (*.csv)")});
        action("mnuApplyTable")->trigger();
        QTRY_VERIFY(preview() && preview()->isVisible());
        grid[rowOf(grid, "a.ies")][columnOf(grid, "[MANUFAC]")] = "OTHER MAKER";
        writeFile(table, csvText(grid));
        m->messages.shown.clear();
        m->messages.answers.push_back(QMessageBox::Yes);
        goOnButton()->click();
        QTRY_VERIFY(m->messages.answers.empty()); // the question comes once the preview has closed
        QCOMPARE(m->messages.shown.size(), size_t(2));
        QVERIFY2(contains(m->messages.shown[1].text, "changed after the preview, so nothing was written"),
                 m->messages.shown[1].text.c_str());
        QCOMPARE(readBytes(file("a.ies")), kSample);
    }

    // A file that is not one of our tables is named, and nothing is previewed.
    void aFileThatIsNoTableIsRefused() {
        m->files.write("a.ies", kSample);
        start();
        const std::string table = m->tables.write("notes.csv", "name,value\r\nx,1\r\n");
        m->answers.push_back({qs(table), QStringLiteral("CSV table (*.csv)")});
        action("mnuApplyTable")->trigger();
        QCOMPARE(m->messages.shown.size(), size_t(1));
        QVERIFY2(contains(m->messages.shown[0].text,
                          "Unable to read the table " + tagmere::test::shownPath(table) + ": the table has no folder"),
                 m->messages.shown[0].text.c_str());
        QVERIFY(!preview());
        // Cancelling the dialog does nothing at all.
        m->messages.shown.clear();
        action("mnuApplyTable")->trigger();
        action("mnuExportTable")->trigger();
        QVERIFY(m->messages.shown.empty() && !preview());
    }

private:
    // Declared so that the program goes before the folders it uses.
    struct Fixture {
        tagmere::test::MessageRecorder messages;
        tagmere::test::TempFolder data, config, files, state, tables;
        std::vector<FileDialogs::Request> asked;
        std::deque<FileDialogs::Answer> answers;
        std::unique_ptr<tagmere::ui::Program> program;
    };

    // Exports through the menu to a CSV table of that name in the tables folder; its path.
    std::string exportCsv(const char* name) {
        const std::string table = m->tables.file(name);
        m->answers.push_back({qs(table), QStringLiteral("CSV table (*.csv)")});
        action("mnuExportTable")->trigger();
        return table;
    }

    void start() {
        m->program = tagmere::test::startProgram(qs(m->data.path()), qs(m->config.path()), m->messages);
        c().cbxKeywordFiles->setCurrentIndex(c().cbxKeywordFiles->findText(QStringLiteral("Test")));
        QVERIFY(c().dirList->setPath(qs(root())));
        c().cmdFind->click();
        m->messages.shown.clear();
    }

    // Right-clicks the first row, as a user opens the menu.
    QMenu* openMenu() {
        const QRect place = list()->visualRect(list()->model()->index(0, 0));
        QContextMenuEvent event(QContextMenuEvent::Mouse, place.center(),
                                list()->viewport()->mapToGlobal(place.center()));
        QCoreApplication::sendEvent(list()->viewport(), &event);
        auto* menu = window()->findChild<QMenu*>(QStringLiteral("mnuFoundFiles"));
        if (!menu || !QTest::qWaitFor([menu] { return menu->isVisible(); }))
            return nullptr;
        return menu;
    }

    tagmere::ui::frmAddKeywords* window() const { return m->program->window.get(); }
    const Ui::frmAddKeywords& c() const { return window()->controls(); }
    QTreeView* list() const { return c().ltvFoundFiles; }
    QAction* action(const char* name) const { return window()->findChild<QAction*>(QLatin1String(name)); }
    std::string root() const { return QDir(qs(m->files.path())).canonicalPath().toStdString(); }
    std::string file(const std::string& name) const { return root() + "/" + name; }
    tagmere::ui::PreviewDialog* preview() const {
        return window()->findChild<tagmere::ui::PreviewDialog*>(QStringLiteral("frmPreview"));
    }
    QPushButton* goOnButton() const {
        return preview() ? preview()->findChild<QPushButton*>(QStringLiteral("cmdPreviewGoOn")) : nullptr;
    }
    static void writeFile(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    // The sample with its [MANUFAC] line replaced, as a run writes it: at the end of the keywords.
    static std::string withManufac(const std::string& value) {
        std::string text = kSample;
        text.erase(text.find("[MANUFAC] ACME\r\n"), 16);
        return text.insert(text.find("TILT="), "[MANUFAC] " + value + "\r\n");
    }

    std::unique_ptr<Fixture> m;
};

QTEST_MAIN(TestTableMenu)
#include "test_tablemenu.moc"
