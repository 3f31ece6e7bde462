// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/table.h"
#include "files/readfile.h"
#include "format/hash.h"
#include "testsupport.h"

#include <QtTest>

#include <fstream>
#include <sstream>

using namespace tagmere;
using tagmere::test::readBytes;

using tagmere::test::csvGrid;
using tagmere::test::csvText;
using tagmere::test::Grid;

namespace {

const std::string kFile = "IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] Old\r\n[MORE] second line\r\n[OTHER] o1\r\n"
                          "TILT=NONE\r\n1 2 3\r\n";

// A library of files with its export and the runs of tables over it.
struct Library {
    test::TempFolder dir;
    std::vector<std::string> names;
    std::vector<Message> messages;

    explicit Library(const std::vector<std::string>& contents) {
        for (size_t i = 0; i < contents.size(); ++i) {
            names.push_back("f" + std::to_string(i) + ".ies");
            dir.write(names.back(), contents[i]);
        }
    }
    std::string file(size_t i) const { return dir.file(names[i]); }

    std::string exported(TableFormat format = TableFormat::Csv) const {
        std::ostringstream out;
        TableWriter writer(format, out);
        for (const auto& name : names) {
            std::string bytes;
            const Status read = readTextFile(dir.file(name), bytes);
            writer.add(tableRow(dir.path(), name, bytes, read));
        }
        writer.finish();
        return out.str();
    }

    // Applies the table as the command line and the window do; whether a read-only cell changed.
    BatchOutcome apply(const std::string& table, bool* readOnlyChanged = nullptr) {
        std::istringstream in(table);
        TableReader reader(in);
        BatchCallbacks callbacks;
        callbacks.message = [this](const Message& m) { messages.push_back(m); };
        BatchRun run({}, {}, {}, callbacks, {});
        if (!reader.open().ok || !run.start())
            return run.finish();
        const TableFeed feed = feedTable(reader, run);
        if (readOnlyChanged)
            *readOnlyChanged = feed.readOnlyRow > 0;
        return run.finish();
    }
};

size_t column(const Grid& grid, const std::string& heading) {
    const auto at = std::find(grid[0].begin(), grid[0].end(), heading);
    if (at != grid[0].end())
        return static_cast<size_t>(at - grid[0].begin());
    return grid[0].size();
}

// Sets a cell, adding the column when the table lacks it.
void setCell(Grid& grid, size_t row, const std::string& heading, const std::string& value) {
    const size_t c = column(grid, heading);
    for (auto& r : grid)
        r.resize(std::max(r.size(), c + 1));
    grid[0][c] = heading;
    grid[row][c] = value;
}

} // namespace

class TestTable : public QObject {
    Q_OBJECT

private slots:
    // Export, edit a cell, apply, export again: the new export holds the edited cell, and the
    // file the lines it stands for.
    void roundTrip_data() {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("cell");     // as typed into the spreadsheet (UTF-8)
        QTest::addColumn<QString>("exported"); // the same cell after apply and export
        QTest::addColumn<QByteArray>("lines"); // what the file's header holds of it afterwards
        auto row = [](const char* name, const char* heading, const QString& cell, const QString& exported,
                      const QByteArray& lines) { QTest::newRow(name) << heading << cell << exported << lines; };
        row("a value replaced, its [MORE] line dropped", "[MANUFAC]", "ACME", "ACME", "[MANUFAC] ACME\r\nTILT");
        row("[MORE] lines from the cell's line breaks", "[MANUFAC]", "ACME\nLighting", "ACME\nLighting",
            "[MANUFAC] ACME\r\n[MORE] Lighting\r\nTILT");
        row("Latin-1 text in single bytes", "[MANUFAC]", QString::fromUtf8("Lumière Ü"), QString::fromUtf8("Lumière Ü"),
            "[MANUFAC] Lumi\xE8re \xDC\r\n");
        row("a second line of the keyword", "[OTHER]", "o1\n[OTHER] o2", "o1\n[OTHER] o2",
            "[OTHER] o1\r\n[OTHER] o2\r\n");
        row("(remove) takes the lines out", "[MANUFAC]", "(remove)", "", "[TEST] T1\r\n[OTHER] o1\r\nTILT");
        row("an emptied cell leaves the keyword", "[MANUFAC]", "", "Old\nsecond line",
            "[MANUFAC] Old\r\n[MORE] second line\r\n");
        row("a new column adds its keyword", "[LUMCAT]", "CAT-1", "CAT-1", "[LUMCAT] CAT-1\r\nTILT");
        row("a spreadsheet's CR LF in a cell", "[MANUFAC]", "A\r\nB", "A\nB", "[MANUFAC] A\r\n[MORE] B\r\n");
    }

    void roundTrip() {
        QFETCH(QString, heading);
        QFETCH(QString, cell);
        QFETCH(QString, exported);
        QFETCH(QByteArray, lines);
        Library library({kFile, kFile});
        Grid grid = csvGrid(library.exported());
        setCell(grid, 1, heading.toStdString(), cell.toStdString());
        const BatchOutcome outcome = library.apply(csvText(grid));
        QCOMPARE(outcome.written, cell.isEmpty() ? 0L : 1L);
        QVERIFY(readBytes(library.file(0)).find(lines.toStdString()) != std::string::npos);
        QCOMPARE(readBytes(library.file(1)), kFile);
        const Grid again = csvGrid(library.exported());
        const size_t c = column(again, heading.toStdString());
        QCOMPARE(QString::fromStdString(c < again[1].size() ? again[1][c] : std::string()), exported);
    }

    // The invariant: an unedited table writes nothing, in either format, whatever the files'
    // line ends and blank lines.
    void uneditedTableWritesNothing() {
        const std::string lf = "IESNA:LM-63-1995\n[TEST] a, b\n\n[MANUFAC]  x \nTILT=NONE\n1\n";
        for (const TableFormat format : {TableFormat::Csv, TableFormat::Json}) {
            Library library({kFile, lf, "no header at all"});
            const BatchOutcome outcome = library.apply(library.exported(format));
            QCOMPARE(outcome.written, 0L);
            QCOMPARE(outcome.refused, 0L);
            QCOMPARE(readBytes(library.file(1)), lf);
        }
    }

    // Each refusal leaves its file as it is, says why, and the other rows go on.
    void refusals_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<bool>("changeFile");
        QTest::addColumn<QString>("why");
        QTest::newRow("file changed since the export") << "ACME" << true << "changed since the table was made";
        QTest::newRow("a character single-byte text cannot hold")
            << QString::fromUtf8("ACME €") << false << "cannot hold";
        QTest::newRow("a control character") << "AC\tME" << false << "control character";
    }

    void refusals() {
        QFETCH(QString, cell);
        QFETCH(bool, changeFile);
        QFETCH(QString, why);
        Library library({kFile, kFile});
        Grid grid = csvGrid(library.exported());
        setCell(grid, 1, "[MANUFAC]", cell.toStdString());
        setCell(grid, 2, "[MANUFAC]", "Second");
        if (changeFile)
            std::ofstream(library.file(0), std::ios::binary | std::ios::app) << "\r\n";
        const std::string before = readBytes(library.file(0));
        const BatchOutcome outcome = library.apply(csvText(grid));
        QCOMPARE(outcome.refused, 1L);
        QCOMPARE(outcome.written, 1L);
        QCOMPARE(readBytes(library.file(0)), before);
        QCOMPARE(library.messages.size(), size_t(1));
        QVERIFY2(QString::fromStdString(library.messages[0].text).contains(why), library.messages[0].text.c_str());
    }

    // A script's JSON table: a value changed in a line of the export, Latin-1 as \u escapes
    // in either case.
    void jsonRowEdited() {
        Library library({kFile, kFile});
        std::string table = library.exported(TableFormat::Json);
        const std::string old = "\"[MANUFAC]\":\"Old\\nsecond line\"";
        const size_t at = table.find(old);
        QVERIFY(at != std::string::npos);
        table.replace(at, old.size(), "\"[MANUFAC]\":\"Lumi\\u00e8re \\u00A9\\u00Fa\\u00aF\"");
        QCOMPARE(library.apply(table).written, 1L);
        QVERIFY(readBytes(library.file(0)).find("[MANUFAC] Lumi\xE8re \xA9\xFA\xAF\r\nTILT") != std::string::npos);
        QCOMPARE(readBytes(library.file(1)), kFile);
    }

    // A spreadsheet writes "0815" back as "815": the file keeps its form; another number is an edit.
    void numbersAsSpreadsheetsWriteThem() {
        const std::string numbered = "IESNA:LM-63-2002\r\n[LUMCAT] 0815\r\n[TEST] 1.50\r\nTILT=NONE\r\n";
        Library library({numbered});
        Grid grid = csvGrid(library.exported());
        setCell(grid, 1, "[LUMCAT]", "815");
        setCell(grid, 1, "[TEST]", "1.5");
        QCOMPARE(library.apply(csvText(grid)).written, 0L);
        setCell(grid, 1, "[LUMCAT]", "816");
        QCOMPARE(library.apply(csvText(grid)).written, 1L);
        QVERIFY(readBytes(library.file(0)).find("[TEST] 1.50\r\n") != std::string::npos);
    }

    // A row whose cells slid under the wrong headings (a comma without quotes) is refused; a
    // cell left as exported never stops the row's real edits, even with a tab in it.
    void strayCommaAndUneditedOddCells() {
        const std::string tabbed = "IESNA:LM-63-2002\r\n[TEST] \tT\r\n[MANUFAC] Old\r\nTILT=NONE\r\n";
        Library library({kFile, tabbed});
        Grid grid = csvGrid(library.exported());
        setCell(grid, 1, "[MANUFAC]", "ACME");
        grid[1].push_back(" Inc.");
        setCell(grid, 2, "[MANUFAC]", "New");
        const BatchOutcome outcome = library.apply(csvText(grid));
        QCOMPARE(outcome.refused, 1L);
        QCOMPARE(readBytes(library.file(0)), kFile);
        QCOMPARE(readBytes(library.file(1)),
                 tabbed.substr(0, tabbed.find("[MANUFAC]")) + "[MANUFAC] New\r\nTILT=NONE\r\n");
    }

    // Dates and long numbers go out as ="..." so a spreadsheet keeps their text; a cell back
    // in either form is the file's own.
    void datesAndLongNumbersKeepTheirText() {
        const std::string dated =
            "IESNA:LM-63-2002\r\n[ISSUEDATE] 2019-05-12\r\n[LUMCAT] 123456789012345\r\nTILT=NONE\r\n";
        Library library({dated});
        const std::string table = library.exported();
        QVERIFY(table.find("\"=\"\"2019-05-12\"\"\"") != std::string::npos);
        QCOMPARE(library.apply(table).written, 0L);
        Grid grid = csvGrid(table);
        setCell(grid, 1, "[ISSUEDATE]", "2019-05-12");
        setCell(grid, 1, "[LUMCAT]", "=\"123456789012346\"");
        QCOMPARE(library.apply(csvText(grid)).written, 1L);
        QVERIFY(readBytes(library.file(0)).find("[LUMCAT] 123456789012346\r\n") != std::string::npos);
        QVERIFY(readBytes(library.file(0)).find("[ISSUEDATE] 2019-05-12\r\n") != std::string::npos);
    }

    // The read-only cells: the first error is the earliest, the figures are the file's own.
    void readOnlyCells() {
        const std::string twoErrors = "IESNA:LM-63-2002\r\nTILT=NONE\r\n1 -1 1 2 1 9 2 0 0 0\r\n";
        const std::string photometry = "IESNA:LM-63-2002\r\nTILT=NONE\r\n1 -1 1 2 1 1 2 0 0 0\r\n1 1 30.0\r\n0 90\r\n"
                                       "0\r\n100.00 50\r\n";
        Library library({twoErrors, photometry});
        const Grid grid = csvGrid(library.exported());
        const std::string firstError = grid[1][column(grid, "first error")];
        QVERIFY2(firstError.rfind("line 2: required keyword [TEST] ", 0) == 0, firstError.c_str());
        QVERIFY(std::stol(grid[1][column(grid, "errors")]) > 1);
        // Whole numbers without a decimal point, as a spreadsheet writes them back.
        QCOMPARE(grid[2][column(grid, "maximum intensity (cd)")], std::string("100"));
        QCOMPARE(grid[2][column(grid, "input watts (W)")], std::string("30"));
    }

    // A script's JSON names a file by \u escapes, a character outside the first plane too.
    void jsonNamesBeyondLatin1() {
        Library library({});
        const std::string name = "\xF0\x9F\x98\x80 \xE6\x97\xA5.ies"; // an emoji and a CJK character
        library.dir.write(name, kFile);
        std::string table = "{\"folder\":\"" + library.dir.path() +
                            "\",\"path\":\"\\ud83d\\ude00 \\u65e5.ies\",\"identity\":\"" + contentIdentity(kFile) +
                            ":x\",\"keywords\":{\"[MANUFAC]\":\"ACME\"}}\n";
        QCOMPARE(library.apply(table).written, 1L);
        QVERIFY(readBytes(library.dir.file(name)).find("[MANUFAC] ACME\r\n") != std::string::npos);
    }

    // A changed read-only cell is noticed (and ignored); a keyword heading that is not one
    // refuses the whole table.
    void readOnlyAndHeadings() {
        Library library({kFile});
        Grid grid = csvGrid(library.exported());
        setCell(grid, 1, "errors", "7");
        bool readOnlyChanged = false;
        QCOMPARE(library.apply(csvText(grid), &readOnlyChanged).written, 0L);
        QVERIFY(readOnlyChanged);
        setCell(grid, 1, "[A B]", "x");
        std::istringstream in(csvText(grid));
        TableReader reader(in);
        QVERIFY(!reader.open().ok);
    }
};

QTEST_GUILESS_MAIN(TestTable)
#include "test_table.moc"
