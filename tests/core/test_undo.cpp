// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/batch.h"
#include "core/undo.h"
#include "files/platform.h"
#include "format/hash.h"
#include "testsupport.h"

#include <QtTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include <sys/stat.h>

using namespace tagmere;
using tagmere::test::fileExists;
using tagmere::test::readBytes;

namespace {

const std::string kOld = "IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] Old\r\nTILT=NONE\r\n1 2 3\r\n";
const std::string kNew = "IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] X\r\nTILT=NONE\r\n1 2 3\r\n";

// A library of files, a journal folder and runs over them.
struct Library {
    test::TempFolder dir;
    std::vector<std::string> paths;
    std::string journal = dir.file("journal");
    std::vector<Message> messages;

    explicit Library(const std::vector<std::string>& contents = {kOld, kOld}) {
        for (size_t i = 0; i < contents.size(); ++i)
            paths.push_back(dir.write("lib/f" + std::to_string(i) + ".ies", contents[i]));
    }
    BatchOutcome apply(const std::string& value = "X") {
        RunJournal runJournal(journal, "apply " + value);
        BatchOptions options;
        options.journal = &runJournal;
        BatchCallbacks callbacks;
        callbacks.message = [this](const Message& m) { messages.push_back(m); };
        MiscPanel panel;
        panel.chkManufac = true;
        panel.txtManufac = value;
        return runBatch(paths, panel, {}, {}, callbacks, options);
    }
    UndoOutcome undo(int number = 0, bool dryRun = false) {
        RunJournal undoJournal(journal, {});
        UndoCallbacks callbacks;
        callbacks.message = [this](const Message& m) { messages.push_back(m); };
        return undoRun(journal, number, dryRun, &undoJournal, callbacks);
    }
    std::string runFile(int number, const char* name) const {
        char folder[16];
        std::snprintf(folder, sizeof folder, "%06d", number);
        return journal + "/" + folder + "/" + name;
    }
};

void overwrite(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT

private slots:
    // Journals and tables outlive the program that wrote them: a text's fingerprint must not
    // change from one version to the next, or undo would take every file as changed since.
    void fingerprintsStayTheSame() {
        const std::string text = "IESNA:LM-63-2002\r\n[MANUFAC] ACME\r\nTILT=NONE\r\n";
        QCOMPARE(hashText(contentHash("")), std::string("ef46db3751d8e999")); // xxHash64's own
        QCOMPARE(hashText(contentHash(text.substr(0, 31))), std::string("c15d5e3d823d0fd7"));
        QCOMPARE(hashText(contentHash(text)), std::string("c9f20fe6959f999c"));
    }

    // Between a run that wrote both files and its undo, something happens to the library
    // or the journal; what undo restores, leaves and reports.
    void undoCases() {
        struct Case {
            const char* name;
            std::function<void(Library&)> between;
            std::vector<std::string> after; // the files afterwards ("" = missing)
            long restored, alreadyOld, leftAlone, failed, damaged;
        };
        const std::vector<Case> cases{
            {"plain undo", [](Library&) {}, {kOld, kOld}, 2, 0, 0, 0, 0},
            {"a file changed since is left",
             [](Library& l) { overwrite(l.paths[0], "mine"); },
             {"mine", kOld},
             1,
             0,
             1,
             0,
             0},
            {"a file put back by hand already holds its old text",
             [](Library& l) { overwrite(l.paths[0], kOld); },
             {kOld, kOld},
             1,
             1,
             0,
             0,
             0},
            {"a file deleted since is not made again",
             [](Library& l) { std::remove(l.paths[1].c_str()); },
             {kOld, ""},
             1,
             0,
             1,
             0,
             0},
            {"a file whose permissions changed since is left",
             [](Library& l) { ::chmod(l.paths[0].c_str(), 0600); },
             {kNew, kOld},
             1,
             0,
             1,
             0,
             0},
            {"a manifest cut in its last line restores what it proves",
             [](Library& l) {
                 const std::string manifest = readBytes(l.runFile(1, "manifest"));
                 overwrite(l.runFile(1, "manifest"), manifest.substr(0, manifest.size() - 5));
             },
             {kOld, kNew},
             1,
             0,
             0,
             0,
             1},
            {"a line edited by hand, its own fingerprint made to match, is not understood",
             [](Library& l) {
                 const std::string line = "file\tX\tnot a size\t0000000000000000\t0\t1:2\t644\t0\t1\t"
                                          "0000000000000000\t1:2\t0.0\t";
                 std::ofstream(l.runFile(1, "manifest"), std::ios::binary | std::ios::app)
                     << line << hashText(contentHash(line)) << "\n";
             },
             {kOld, kOld},
             2,
             0,
             0,
             0,
             1},
            {"a drive mounted again under another device number is restored",
             [](Library& l) {
                 // The device of each file the run wrote changed, each line's fingerprint made anew.
                 std::istringstream in(readBytes(l.runFile(1, "manifest")));
                 std::string manifest, line;
                 while (std::getline(in, line)) {
                     if (line.rfind("file\t", 0) == 0) {
                         size_t field = 0;
                         for (int i = 0; i < 10; ++i)
                             field = line.find('\t', field) + 1;
                         line.insert(field, "1");
                         line.erase(line.rfind('\t') + 1);
                         line += hashText(contentHash(line));
                     }
                     manifest += line + "\n";
                 }
                 overwrite(l.runFile(1, "manifest"), manifest);
             },
             {kOld, kOld},
             2,
             0,
             0,
             0,
             0},
            {"a damaged old text is not written",
             [](Library& l) {
                 std::string data = readBytes(l.runFile(1, "data"));
                 data[3] ^= 1;
                 overwrite(l.runFile(1, "data"), data);
             },
             {kNew, kOld},
             1,
             0,
             0,
             1,
             0},
            {"undo of an undo puts the run's text back",
             [](Library& l) { QCOMPARE(l.undo().restored, 2L); },
             {kNew, kNew},
             2,
             0,
             0,
             0,
             0},
        };
        for (const Case& c : cases) {
            Library library;
            QCOMPARE(library.apply().written, 2L);
            c.between(library);
            const UndoOutcome outcome = library.undo();
            const QByteArray name(c.name);
            QVERIFY2(outcome.status.ok, name);
            const long got[] = {outcome.restored, outcome.alreadyOld, outcome.leftAlone, outcome.failed,
                                outcome.damaged};
            const long want[] = {c.restored, c.alreadyOld, c.leftAlone, c.failed, c.damaged};
            for (size_t i = 0; i < 5; ++i)
                QVERIFY2(got[i] == want[i],
                         name + " count " + QByteArray::number(int(i)) + ": " + QByteArray::number(int(got[i])));
            for (size_t i = 0; i < c.after.size(); ++i) {
                if (c.after[i].empty())
                    QVERIFY2(!fileExists(library.paths[i]), name);
                else
                    QVERIFY2(readBytes(library.paths[i]) == c.after[i], name + " file " + QByteArray::number(int(i)));
            }
            // Every file not restored is named with why.
            QCOMPARE(long(library.messages.size()), c.leftAlone + c.failed + c.damaged);
        }
    }

    // A run that refuses a file half-way (write-protected) journals only what it wrote;
    // a dry-run undo changes nothing.
    void refusedFilesAreNotInTheRun() {
        Library library({kOld, kOld, kOld});
        ::chmod(library.paths[1].c_str(), 0444);
        const BatchOutcome run = library.apply();
        QCOMPARE(run.written, 2L);
        QCOMPARE(run.refused, 1L);
        QCOMPARE(library.undo(0, true).restored, 2L);
        QCOMPARE(readBytes(library.paths[0]), kNew);
        const UndoOutcome outcome = library.undo();
        QCOMPARE(outcome.run.files, 2L);
        QCOMPARE(outcome.restored, 2L);
        QCOMPARE(readBytes(library.paths[2]), kOld);
    }

    // The journal line of a file is on disk before the file is renamed.
    void journalLineBeforeRename() {
        Library library;
        std::vector<bool> lined;
        platform::testHooks().beforePlace = [&](const std::string& path) {
            lined.push_back(readBytes(library.runFile(1, "manifest")).find(path) != std::string::npos);
        };
        library.apply();
        platform::testHooks().beforePlace = nullptr;
        QCOMPARE(lined, (std::vector<bool>{true, true}));
    }

    // Runs that wrote nothing leave no folder; pruning keeps the newest and numbers go on.
    void retention() {
        Library library;
        library.apply("A");
        library.apply("A");
        library.apply("B");
        library.apply("C");
        QCOMPARE(pruneRuns(library.journal, 2), 1);
        std::vector<int> numbers;
        for (const RunSummary& run : listRuns(library.journal))
            numbers.push_back(run.number);
        QCOMPARE(numbers, (std::vector<int>{3, 2}));
        library.apply("D");
        QCOMPARE(listRuns(library.journal).front().number, 4);
        QCOMPARE(listRuns(library.journal).front().what, std::string("apply D"));
        const QString time = QString::fromStdString(listRuns(library.journal).front().time);
        QVERIFY2(
            QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")).match(time).hasMatch(),
            qPrintable(time));
        QVERIFY(!library.undo(1).status.ok);
    }
};

QTEST_GUILESS_MAIN(TestUndo)
#include "test_undo.moc"
