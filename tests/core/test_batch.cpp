// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/batch.h"
#include "testsupport.h"

#include <QtTest>

#include <sys/stat.h>

using namespace tagmere;
using tagmere::test::readBytes;
using tagmere::test::TempFolder;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(std::vector<std::string>)

namespace {

const std::string kSample = "IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] Old\r\nTILT=NONE\r\n1 2 3\r\n";

struct Run {
    std::vector<Message> messages;
    std::vector<BatchFileResult> files;
    BatchCallbacks callbacks() {
        BatchCallbacks c;
        c.message = [this](const Message& m) { messages.push_back(m); };
        c.fileDone = [this](const BatchFileResult& r) { files.push_back(r); };
        return c;
    }
};

BatchTrees treeWith(std::vector<BatchNode> nodes) {
    BatchTrees trees;
    trees[0] = std::move(nodes);
    return trees;
}

} // namespace

class TestBatch : public QObject {
    Q_OBJECT

private slots:
    void bulkCriOverThreeFiles() {
        TempFolder dir;
        std::vector<std::string> targets;
        for (const char* name : {"a.ies", "b.ies", "c.ies"})
            targets.push_back(dir.write(name, kSample));
        MiscPanel panel;
        panel.chkSearchCRI = true;
        panel.txtSearchCRI = " 80 ";
        Run run;
        const BatchOutcome out = runBatch(targets, panel, {}, {}, run.callbacks());
        QCOMPARE(out.status, BatchStatus::Completed);
        QCOMPARE(out.fileCount, 3L);
        QVERIFY(out.showReport());
        QCOMPARE(out.entries, std::vector<std::string>{"[_SEARCH_CRI]"});
        QCOMPARE(batchReport(out).text, std::string("The following Keyword(s) were modified in (3) file(s):\r\r"
                                                    "[_SEARCH_CRI]\r"));
        for (const auto& path : targets)
            QCOMPARE(readBytes(path), std::string("IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] Old\r\n"
                                                  "[_SEARCH_CRI] 80\r\nTILT=NONE\r\n1 2 3\r\n"));
        QVERIFY(run.messages.empty());
    }

    void treeKeywords_data() {
        QTest::addColumn<std::vector<std::string>>("nodes"); // "+" prefix = ticked
        QTest::addColumn<std::string>("header");             // lines between [TEST] and TILT
        QTest::addColumn<std::vector<std::string>>("entries");
        using V = std::vector<std::string>;
        QTest::newRow("two ticked values in node order") << V{"+[_MOUNTING]", "+Recessed", "Pendant", "+Surface"}
                                                         << std::string("[MANUFAC] Old\r\n"
                                                                        "[_MOUNTING] Recessed, Surface\r\n")
                                                         << V{"[_MOUNTING]"};
        QTest::newRow("ticked keyword without values removes it")
            << V{"+[MANUFAC]", "ACME", "+   "} << std::string() << V{"[MANUFAC]- Removed"};
        QTest::newRow("unticked keyword with ticked values does nothing")
            << V{"[MANUFAC]", "+ACME"} << std::string("[MANUFAC] Old\r\n") << V{};
        QTest::newRow("same keyword twice: second wins, reported once")
            << V{"+[_A]", "+one", "+[_B]", "+two", "+[_A]", "+three"}
            << std::string("[MANUFAC] Old\r\n[_B] two\r\n[_A] three\r\n") << V{"[_A]", "[_B]"};
    }
    void treeKeywords() {
        QFETCH(std::vector<std::string>, nodes);
        QFETCH(std::string, header);
        QFETCH(std::vector<std::string>, entries);
        std::vector<BatchNode> batchNodes;
        for (const auto& n : nodes)
            batchNodes.push_back(n[0] == '+' ? BatchNode{n.substr(1), true} : BatchNode{n, false});
        TempFolder dir;
        const std::string path = dir.write("f.ies", kSample);
        Run run;
        const BatchOutcome out = runBatch({path}, MiscPanel(), treeWith(batchNodes), {}, run.callbacks());
        QCOMPARE(out.entries, entries);
        QCOMPARE(readBytes(path), "IESNA:LM-63-2002\r\n[TEST] T1\r\n" + header + "TILT=NONE\r\n1 2 3\r\n");
    }

    void valuesSpillIntoMoreLines() {
        const std::string a(100, 'a'), b(100, 'b'), c(100, 'c'), d(100, 'd'), e(100, 'e');
        std::string line;
        std::vector<std::string> more;
        composeKeywordLine("[K]", {a, b, c, d, e, "x"}, line, more);
        QCOMPARE(line, "[K] " + a + ", " + b + ", x");
        QCOMPARE(more, (std::vector<std::string>{"", "[MORE] " + c + ", " + d, "[MORE] " + e}));

        composeKeywordLine("[K]", {std::string(300, 'z')}, line, more);
        QCOMPARE(line, std::string("[K] "));
        QCOMPARE(more, (std::vector<std::string>{"", "[MORE] " + std::string(300, 'z')}));

        // Exactly 250 counted characters stay on the keyword line.
        composeKeywordLine("[K]", {std::string(247, 'q')}, line, more);
        QCOMPARE(line, "[K] " + std::string(247, 'q'));
        QCOMPARE(more.size(), size_t(1));
    }

    void spillReachesTheFile() {
        TempFolder dir;
        const std::string path = dir.write("f.ies", kSample);
        std::vector<BatchNode> nodes{{"[_LONG]", true}};
        for (int i = 0; i < 6; ++i)
            nodes.push_back({std::string(60, char('a' + i)), true});
        const BatchOutcome out = runBatch({path}, MiscPanel(), treeWith(nodes), {}, {});
        QCOMPARE(out.entries, std::vector<std::string>{"[_LONG]"});
        const std::string bytes = readBytes(path);
        QVERIFY(bytes.find("\r\n[MORE] " + std::string(60, 'd') + ", " + std::string(60, 'e') + ", " +
                           std::string(60, 'f') + "\r\nTILT=NONE") != std::string::npos);
    }

    void colorTempFailureStopsTheRun() {
        TempFolder dir;
        const std::string first = dir.write("a.ies", kSample);
        const std::string second = dir.write("b.ies", kSample);
        MiscPanel panel;
        panel.chkManufac = true;
        panel.txtManufac = "New";
        panel.chkSearchColorTemp = true;
        panel.txtSearchColorTemp = "K4000"; // passes the advance check, fails per file
        Run run;
        const BatchOutcome out = runBatch({first, second}, panel, {}, {}, run.callbacks());
        QCOMPARE(out.status, BatchStatus::ColorTempFailed);
        QVERIFY(!out.showReport());
        QCOMPARE(run.messages.size(), size_t(1));
        QCOMPARE(run.messages[0].text, std::string(kColorTempFileMessage));
        QCOMPARE(readBytes(first), kSample);
        QCOMPARE(readBytes(second), kSample);
    }

    void failedReadIsNeverWritten() {
        TempFolder dir;
        const std::string missing = dir.file("gone.ies");
        const std::string folder = dir.file("folder.ies");
        QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
        const std::string good = dir.write("good.ies", kSample);
        MiscPanel panel;
        panel.chkManufac = true;
        panel.txtManufac = "New";
        Run run;
        const BatchOutcome out = runBatch({missing, folder, good}, panel, {}, {}, run.callbacks());
        QCOMPARE(out.status, BatchStatus::Completed);
        QCOMPARE(out.fileCount, 3L);
        QVERIFY(out.anyFileFailed());
        QCOMPARE(run.messages.size(), size_t(2));
        QVERIFY(run.messages[0].text.rfind("Unable to read file: " + missing, 0) == 0);
        QVERIFY(!test::fileExists(missing));
        QVERIFY(QFileInfo(QString::fromStdString(folder)).isDir());
        QVERIFY(readBytes(good).find("[MANUFAC] New\r\nTILT=NONE") != std::string::npos);
    }

    void dryRunWritesNothing() {
        TempFolder dir;
        const std::string path = dir.write("a.ies", kSample);
        MiscPanel panel;
        panel.chkManufac = true;
        panel.txtManufac = "New";
        Run run;
        BatchOptions options;
        options.dryRun = true;
        const BatchOutcome out = runBatch({path}, panel, {}, {}, run.callbacks(), options);
        QCOMPARE(out.entries, std::vector<std::string>{"[MANUFAC]"});
        QCOMPARE(readBytes(path), kSample);
        QCOMPARE(run.files.size(), size_t(1));
        QCOMPARE(run.files[0].before, kSample);
        QCOMPARE(run.files[0].after,
                 std::string("IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] New\r\nTILT=NONE\r\n1 2 3\r\n"));
    }

    void extrasAreReportedLikeTreeKeywords() {
        TempFolder dir;
        const std::string path = dir.write("a.ies", kSample);
        const BatchOutcome out =
            runBatch({path}, MiscPanel(), {}, {{"[TESTLAB]", "[TESTLAB] ACME LABS", false}, {"[TEST]", "", true}}, {});
        QCOMPARE(out.entries, (std::vector<std::string>{"[TESTLAB]", "[TEST]- Removed"}));
        QCOMPARE(readBytes(path),
                 std::string("IESNA:LM-63-2002\r\n[MANUFAC] Old\r\n[TESTLAB] ACME LABS\r\nTILT=NONE\r\n1 2 3\r\n"));
    }

    void nothingTickedStillNormalisesFiles() {
        TempFolder dir;
        const std::string path = dir.write("a.ies", "A\n\nTILT=NONE\n");
        const BatchOutcome out = runBatch({path}, MiscPanel(), {}, {}, {});
        QCOMPARE(out.fileCount, 1L);
        QVERIFY(out.entries.empty());
        QVERIFY(out.showReport());
        QCOMPARE(readBytes(path), std::string("A\r\nTILT=NONE\r\n"));
        QCOMPARE(batchReport(out).text, std::string("The following Keyword(s) were modified in (1) file(s):\r\r"));
    }

    void progressCanStopAfterCurrentFile() {
        TempFolder dir;
        std::vector<std::string> targets;
        for (const char* name : {"a.ies", "b.ies", "c.ies"})
            targets.push_back(dir.write(name, "A\nTILT=NONE\n"));
        BatchCallbacks callbacks;
        std::vector<size_t> seen;
        callbacks.progress = [&](size_t done, size_t total) {
            seen.push_back(done);
            return !(done == 2 && total == 3);
        };
        const BatchOutcome out = runBatch(targets, MiscPanel(), {}, {}, callbacks);
        QCOMPARE(out.status, BatchStatus::Cancelled);
        QCOMPARE(out.fileCount, 2L);
        QVERIFY(out.showReport());
        QCOMPARE(seen, (std::vector<size_t>{1, 2}));
        QCOMPARE(readBytes(targets[2]), std::string("A\nTILT=NONE\n"));
        QCOMPARE(readBytes(targets[1]), std::string("A\r\nTILT=NONE\r\n"));
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
        QTest::newRow("line feed in the panel") << std::string(kManufac) << std::string("ACME\n1 1") << false;
    }
    void badKeywordsAndValuesTouchNothing() {
        QFETCH(std::string, keyword);
        QFETCH(std::string, value);
        QFETCH(bool, fromTree);
        TempFolder dir;
        const std::string path = dir.write("a.ies", kSample);
        MiscPanel panel;
        BatchTrees trees;
        std::vector<ExtraEdit> extras;
        if (keyword == kManufac) {
            panel.chkManufac = true;
            panel.txtManufac = value;
        } else if (fromTree) {
            trees = treeWith({{keyword, true}, {value, true}});
        } else {
            extras.push_back({keyword, keyword + " " + value, false});
        }
        Run run;
        const BatchOutcome out = runBatch({path}, panel, trees, extras, run.callbacks());
        QCOMPARE(out.status, BatchStatus::AdvanceCheckFailed);
        QCOMPARE(run.messages.size(), size_t(1));
        QCOMPARE(run.messages[0].icon, MessageIcon::Exclamation);
        QCOMPARE(readBytes(path), kSample);
    }

    void failedBackupKeepsFileUnchanged() {
        TempFolder dir;
        const std::string path = dir.write("a.ies", "A\nTILT=NONE\n");
        BatchCallbacks callbacks;
        std::vector<Message> messages;
        callbacks.message = [&](const Message& m) { messages.push_back(m); };
        // A backup folder that cannot be made: below a regular file.
        callbacks.backupPath = [&](const std::string&, const std::string&) { return path + "/backup/a.ies"; };
        const BatchOutcome out = runBatch({path}, MiscPanel(), {}, {}, callbacks);
        QVERIFY(out.anyFileFailed());
        QCOMPARE(readBytes(path), std::string("A\nTILT=NONE\n"));
        QCOMPARE(messages.size(), size_t(1));
    }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "test_batch.moc"
