// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/batch.h"
#include "format/text.h"
#include "testsupport.h"

#include <QtTest>

using namespace tagmere;
using tagmere::test::readBytes;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(std::vector<std::string>)

namespace {

const std::string kSample = "IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] Old\r\nTILT=NONE\r\n1 2 3\r\n";
const std::string kLf = "A\nTILT=NONE\n";

// Files in a fresh folder and one batch run over them, with what the run said.
struct Run {
    test::TempFolder dir;
    std::vector<std::string> paths;
    BatchCallbacks callbacks; // progress and backupPath as a test sets them
    std::vector<Message> messages;
    std::vector<BatchFileResult> files;
    explicit Run(std::vector<std::string> contents = {kSample}) {
        for (size_t i = 0; i < contents.size(); ++i)
            paths.push_back(dir.write("f" + std::to_string(i) + ".ies", contents[i]));
    }
    BatchOutcome operator()(const MiscPanel& panel, const BatchTrees& trees = {},
                            const std::vector<ExtraEdit>& extras = {}, const BatchOptions& options = {}) {
        BatchCallbacks c = callbacks;
        c.message = [this](const Message& m) { messages.push_back(m); };
        c.fileDone = [this](const BatchFileResult& r) { files.push_back(r); };
        return runBatch(paths, panel, trees, extras, c, options);
    }
};

MiscPanel manufac(const std::string& value) {
    MiscPanel panel;
    panel.chkManufac = true;
    panel.txtManufac = value;
    return panel;
}

} // namespace

class TestBatch : public QObject {
    Q_OBJECT

private slots:
    void treeKeywords_data() {
        QTest::addColumn<std::vector<std::string>>("nodes"); // "+" prefix = ticked
        QTest::addColumn<std::string>("header");             // lines between [TEST] and TILT
        QTest::addColumn<std::vector<std::string>>("entries");
        using V = std::vector<std::string>;
        auto row = [](const char* name, const V& nodes, const std::string& header, const V& entries) {
            QTest::newRow(name) << nodes << header << entries;
        };
        const std::string old = "[MANUFAC] Old\r\n";
        row("two ticked values in node order", {"+[_MOUNTING]", "+Recessed", "Pendant", "+Surface"},
            old + "[_MOUNTING] Recessed, Surface\r\n", {"[_MOUNTING]"});
        row("ticked keyword without values removes it", {"+[MANUFAC]", "ACME", "+   "}, "", {"[MANUFAC]- Removed"});
        row("unticked keyword with ticked values does nothing", {"[MANUFAC]", "+ACME"}, old, {});
        row("same keyword twice: second wins, reported once", {"+[_A]", "+one", "+[_B]", "+two", "+[_A]", "+three"},
            old + "[_B] two\r\n[_A] three\r\n", {"[_A]", "[_B]"});
        // The limit counts the keyword and values but no separators.
        const std::string a(100, 'a'), b(100, 'b'), c(100, 'c'), d(100, 'd'), e(100, 'e'), q(246, 'q'), z(300, 'z');
        row("values spill, later ones fill gaps", {"+[_L]", "+" + a, "+" + b, "+" + c, "+" + d, "+" + e, "+x"},
            old + "[_L] " + a + ", " + b + ", x\r\n[MORE] " + c + ", " + d + "\r\n[MORE] " + e + "\r\n", {"[_L]"});
        row("250 counted characters stay on the line", {"+[_Q]", "+" + q}, old + "[_Q] " + q + "\r\n", {"[_Q]"});
        row("one value too long for the line", {"+[_Z]", "+" + z}, old + "[_Z] \r\n[MORE] " + z + "\r\n", {"[_Z]"});
    }
    void treeKeywords() {
        QFETCH(std::vector<std::string>, nodes);
        QFETCH(std::string, header);
        QFETCH(std::vector<std::string>, entries);
        std::vector<BatchNode> batchNodes;
        for (const auto& n : nodes)
            batchNodes.push_back(n[0] == '+' ? BatchNode{n.substr(1), true} : BatchNode{n, false});
        Run run;
        QCOMPARE(run(MiscPanel(), {{batchNodes, {}, {}}}).entries, entries);
        QCOMPARE(readBytes(run.paths[0]), "IESNA:LM-63-2002\r\n[TEST] T1\r\n" + header + "TILT=NONE\r\n1 2 3\r\n");
    }

    void failedReadIsNeverWritten() {
        Run run({kSample});
        const std::string missing = run.dir.file("gone.ies");
        const std::string folder = run.dir.file("folder.ies");
        QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
        run.paths.insert(run.paths.begin(), {missing, folder});
        const BatchOutcome out = run(manufac("New"));
        QCOMPARE(out.fileCount, 3L);
        QCOMPARE(out.failed, 2L);
        QCOMPARE(run.messages.size(), size_t(2));
        QVERIFY(startsWith(run.messages[0].text, "Unable to read file: " + missing));
        QVERIFY(!test::fileExists(missing));
        QVERIFY(QFileInfo(QString::fromStdString(folder)).isDir());
        QVERIFY(contains(readBytes(run.paths[2]), "[MANUFAC] New\r\nTILT=NONE"));
    }

    // Nothing ticked: the files are still rewritten with CR LF, and a stop takes effect after the current file.
    void progressCanStopAfterCurrentFile() {
        Run run({kLf, kLf, kLf});
        std::vector<size_t> seen;
        run.callbacks.progress = [&](size_t done, size_t total) {
            seen.push_back(done);
            return !(done == 2 && total == 3);
        };
        const BatchOutcome out = run(MiscPanel());
        QCOMPARE(out.status, BatchStatus::Cancelled);
        QCOMPARE(out.fileCount, 2L);
        QVERIFY(out.showReport() && out.entries.empty());
        QCOMPARE(seen, (std::vector<size_t>{1, 2}));
        QCOMPARE(readBytes(run.paths[1]), std::string("A\r\nTILT=NONE\r\n"));
        QCOMPARE(readBytes(run.paths[2]), kLf);
    }

    void badKeywordsAndValuesTouchNothing_data() {
        QTest::addColumn<std::string>("keyword");
        QTest::addColumn<std::string>("value");
        QTest::addColumn<bool>("fromTree");
        QTest::newRow("lone bracket") << std::string("[") << std::string("x") << true;
        QTest::newRow("MORE is no keyword") << std::string("[MORE]") << std::string("x") << false;
        QTest::newRow("blank inside keyword") << std::string("[A B]") << std::string("x") << true;
        QTest::newRow("CR LF in a value") << std::string("[A]") << std::string("x\r\nTILT=NONE") << false;
        QTest::newRow("tab in a tree value") << std::string("[A]") << std::string("x\ty") << true;
        QTest::newRow("DEL in a tree value") << std::string("[A]") << std::string("x\x7fy") << true;
        QTest::newRow("line feed in the panel") << std::string(kManufac) << std::string("ACME\n1 1") << false;
    }
    void badKeywordsAndValuesTouchNothing() {
        QFETCH(std::string, keyword);
        QFETCH(std::string, value);
        QFETCH(bool, fromTree);
        const bool panel = keyword == kManufac;
        Run run;
        BatchTrees trees;
        if (fromTree)
            trees[0] = {{keyword, true}, {value, true}};
        std::vector<ExtraEdit> extras;
        if (!fromTree && !panel)
            extras.push_back({keyword, keyword + " " + value, false});
        const BatchOutcome out = run(panel ? manufac(value) : MiscPanel(), trees, extras);
        QCOMPARE(out.status, BatchStatus::AdvanceCheckFailed);
        QCOMPARE(run.messages.size(), size_t(1));
        QCOMPARE(readBytes(run.paths[0]), kSample);
    }

    // A text this short is kept inside the string object itself, which the run moves.
    void backupOfAShortFile() {
        Run run({kLf});
        run.callbacks.backupPath = [&](const std::string&, const std::string&) { return "backup/f0.ies"; };
        BatchOptions options;
        options.backupFolder = run.dir.path();
        QCOMPARE(run(manufac("X"), {}, {}, options).written, 1L);
        QCOMPARE(readBytes(run.dir.file("backup/f0.ies")), kLf);
    }

    void failedBackupKeepsFileUnchanged() {
        Run run({kLf});
        // A backup folder that cannot be made: below a regular file.
        run.callbacks.backupPath = [&](const std::string&, const std::string&) { return "backup/a.ies"; };
        BatchOptions options;
        options.backupFolder = run.paths[0];
        QVERIFY(run(MiscPanel(), {}, {}, options).anyFileFailed());
        QCOMPARE(readBytes(run.paths[0]), kLf);
        QCOMPARE(run.messages.size(), size_t(1));
    }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "test_batch.moc"
