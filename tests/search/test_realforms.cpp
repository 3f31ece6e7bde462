// SPDX-License-Identifier: GPL-3.0-or-later
// The forms real libraries hold, each in a small file of our own, through every reader
// and writer: the search, the read-back, the check, the Preview's diff and a real write.
#include "core/batch.h"
#include "core/diff.h"
#include "core/headercheck.h"
#include "search/filesearch.h"
#include "search/readback.h"
#include "testsupport.h"

#include <QtTest>

using namespace tagmere;
using tagmere::test::q;

Q_DECLARE_METATYPE(std::string)

namespace {

const std::string k2002 = "IESNA:LM-63-2002\r\n[TEST] T\r\n[TESTLAB] L\r\n[ISSUEDATE] D\r\n";
const std::string kData = "TILT=NONE\r\n1 -1 1 2 1 1 2 0 0 0\r\n1 1 10\r\n0 90\r\n0\r\n100 50\r\n";

std::string lf(std::string text) {
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

// The lines of a diff that add or take out a line, without the "+++"/"---" heads.
QStringList changedLines(const std::string& diff) {
    QStringList out;
    for (const QString& line : q(diff).split(QLatin1Char('\n'))) {
        if ((line.startsWith(QLatin1Char('+')) || line.startsWith(QLatin1Char('-'))) &&
            !line.startsWith(QLatin1String("+++")) && !line.startsWith(QLatin1String("---")))
            out << line;
    }
    return out;
}

} // namespace

class TestRealForms : public QObject {
    Q_OBJECT

private slots:
    // Each file gets [MANUFAC] NEW. `manufac` is what the read-back finds ("-": none),
    // `findings` what the check says, `changed` the Preview's changed lines, `after` the
    // file as written.
    void forms_data() {
        QTest::addColumn<std::string>("name");
        QTest::addColumn<std::string>("before");
        QTest::addColumn<QString>("manufac");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("findings");
        QTest::addColumn<QStringList>("changed");
        QTest::addColumn<std::string>("after");
        const QStringList replaced{"-[MANUFAC] ACME", "+[MANUFAC] NEW"};
        const std::string written = k2002 + "[MANUFAC] NEW\r\n" + kData;

        QTest::newRow("indented keyword line")
            << std::string("a.ies") << k2002 + " [MANUFAC] ACME\r\n" + kData << "ACME"
            << "LM-63-2002" << QStringList{"keyword-indent@5"} << QStringList{"- [MANUFAC] ACME", "+[MANUFAC] NEW"}
            << written;
        QTest::newRow("no blank after the bracket")
            << std::string("b.ies") << k2002 + "[MANUFAC]ACME\r\n" + kData << "ACME"
            << "LM-63-2002" << QStringList{} << QStringList{"-[MANUFAC]ACME", "+[MANUFAC] NEW"} << written;
        // A 1986 header is free text: a line that merely mentions a keyword is no keyword line.
        const std::string header1986 = "ACME CO. TEST 1234\r\nSEE [MANUFAC] NOTE\r\n";
        QTest::newRow("1986 header") << std::string("c.ies") << header1986 + kData << "-"
                                     << "LM-63-1986" << QStringList{} << QStringList{"+[MANUFAC] NEW"}
                                     << header1986 + "[MANUFAC] NEW\r\n" + kData;
        QTest::newRow("LF only") << std::string("d.ies") << lf(k2002 + "[MANUFAC] ACME\r\n" + kData) << "ACME"
                                 << "LM-63-2002" << QStringList{"line-ends@1"}
                                 << QStringList{"line ends become CR LF"} + replaced << written;
        QTest::newRow("DOS end-of-file byte") << std::string("e.ies") << k2002 + "[MANUFAC] ACME\r\n" + kData + "\x1a"
                                              << "ACME"
                                              << "LM-63-2002" << QStringList{} << replaced << written + "\x1a";
        QTest::newRow("Latin-1 bytes") << std::string("f.ies")
                                       << k2002 + "[MANUFAC] LUMI\xc8RE\r\n[LAMP] caf\xe9\r\n" + kData
                                       << q("LUMI\xc8RE") << "LM-63-2002" << QStringList{"non-ascii@5", "non-ascii@6"}
                                       << QStringList{q("-[MANUFAC] LUMI\xc8RE"), "+[MANUFAC] NEW"}
                                       << k2002 + "[LAMP] caf\xe9\r\n[MANUFAC] NEW\r\n" + kData;
        QTest::newRow("upper-case name") << std::string("G.IES") << k2002 + "[MANUFAC] ACME\r\n" + kData << "ACME"
                                         << "LM-63-2002" << QStringList{} << replaced << written;
        const std::string wide =
            "TILT=NONE\r\n1 -1 1 2 1 1 2 0 0 0\r\n1 1 10\r\n0 90\r\n0\r\n100" + std::string(250, ' ') + "50\r\n";
        QTest::newRow("255-character data line")
            << std::string("h.ies") << k2002 + "[MANUFAC] ACME\r\n" + wide << "ACME"
            << "LM-63-2002" << QStringList{} << replaced << k2002 + "[MANUFAC] NEW\r\n" + wide;
    }

    void forms() {
        QFETCH(std::string, name);
        QFETCH(std::string, before);
        QFETCH(QString, manufac);
        QFETCH(QString, version);
        QFETCH(QStringList, findings);
        QFETCH(QStringList, changed);
        QFETCH(std::string, after);

        test::TempFolder dir;
        const std::string path = dir.write(name, before);
        FileSearch search;
        FoundFilesList found;
        search.runSearch("*.ies", dir.path(), found);
        QCOMPARE(found.count(), 1);
        QCOMPARE(found.fullPath(1), path);

        const KeywordReadBack readBack = readBackKeywords(splitLines(before), {});
        QCOMPARE(readBack.manufac.found ? q(readBack.manufac.value) : QStringLiteral("-"), manufac);

        const FileCheck check = checkFile(before);
        QCOMPARE(QString::fromStdString(check.version), version);
        QStringList codes;
        for (const auto& f : check.findings)
            codes << QString::fromStdString(f.code) + QLatin1Char('@') + QString::number(f.line);
        QCOMPARE(codes, findings);

        MiscPanel panel;
        panel.chkManufac = true;
        panel.txtManufac = "NEW";
        BatchCallbacks callbacks;
        std::vector<BatchFileResult> results;
        callbacks.fileDone = [&](const BatchFileResult& r) { results.push_back(r); };
        BatchOptions dryRun;
        dryRun.dryRun = true;
        runBatch({path}, panel, {}, {}, callbacks, dryRun);
        QCOMPARE(results.size(), size_t(1));
        const std::string note = lineEndNote(results[0].before, results[0].after);
        QCOMPARE((note.empty() ? QStringList() : QStringList{q(note)}) +
                     changedLines(unifiedDiff(path, results[0].before, results[0].after, true)),
                 changed);
        QCOMPARE(test::readBytes(path), before);

        const BatchOutcome outcome = runBatch({path}, panel, {}, {}, callbacks);
        QCOMPARE(outcome.written, 1L);
        QCOMPARE(q(test::readBytes(path)), q(after));
    }
};

QTEST_GUILESS_MAIN(TestRealForms)
#include "test_realforms.moc"
