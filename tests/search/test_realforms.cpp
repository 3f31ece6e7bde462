// SPDX-License-Identifier: GPL-3.0-or-later
// The forms real libraries hold, each in a small file of our own, through every reader
// and writer: the search, the read-back, the check, the Preview's diff and a real write.
#include "core/batch.h"
#include "format/diff.h"
#include "format/headercheck.h"
#include "search/filesearch.h"
#include "search/readback.h"
#include "testsupport.h"

#include <QtTest>

using namespace tagmere;
using tagmere::test::q;

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
    // `findings` what the check says, `changed` the Preview's note and changed lines ("|"
    // between them), `after` the file as written.
    void forms() {
        const std::string acme = k2002 + "[MANUFAC] ACME\r\n";
        const std::string written = k2002 + "[MANUFAC] NEW\r\n" + kData;
        const char* const replaced = "-[MANUFAC] ACME|+[MANUFAC] NEW";
        // A 1986 header is free text: a line that merely mentions a keyword is no keyword line.
        const std::string header1986 = "ACME CO. TEST 1234\r\nSEE [MANUFAC] NOTE\r\n";
        const std::string wide =
            "TILT=NONE\r\n1 -1 1 2 1 1 2 0 0 0\r\n1 1 10\r\n0 90\r\n0\r\n100" + std::string(250, ' ') + "50\r\n";
        const struct {
            const char* name;
            std::string before;
            const char* manufac;
            const char* version;
            const char* findings;
            const char* changed;
            std::string after;
        } rows[] = {
            {"a.ies", k2002 + " [MANUFAC] ACME\r\n" + kData, "ACME", "LM-63-2002", "keyword-indent@5",
             "- [MANUFAC] ACME|+[MANUFAC] NEW", written},
            {"b.ies", k2002 + "[MANUFAC]ACME\r\n" + kData, "ACME", "LM-63-2002", "", "-[MANUFAC]ACME|+[MANUFAC] NEW",
             written},
            {"c.ies", header1986 + kData, "-", "LM-63-1986", "", "+[MANUFAC] NEW",
             header1986 + "[MANUFAC] NEW\r\n" + kData},
            {"d.ies", lf(acme + kData), "ACME", "LM-63-2002", "line-ends@1",
             "line ends become CR LF|-[MANUFAC] ACME|+[MANUFAC] NEW", written},
            {"e.ies", acme + kData + "\x1a", "ACME", "LM-63-2002", "", replaced, written + "\x1a"},
            {"f.ies", k2002 + "[MANUFAC] LUMI\xc8RE\r\n[LAMP] caf\xe9\r\n" + kData, "LUMI\xc8RE", "LM-63-2002",
             "non-ascii@5 non-ascii@6", "-[MANUFAC] LUMI\xc8RE|+[MANUFAC] NEW",
             k2002 + "[LAMP] caf\xe9\r\n[MANUFAC] NEW\r\n" + kData},
            {"G.IES", acme + kData, "ACME", "LM-63-2002", "", replaced, written},
            {"h.ies", acme + wide, "ACME", "LM-63-2002", "", replaced, k2002 + "[MANUFAC] NEW\r\n" + wide},
        };
        for (const auto& row : rows) {
            form(row.name, row.before, row.manufac, row.version, row.findings, row.changed, row.after);
            if (QTest::currentTestFailed())
                QFAIL(row.name);
        }
    }

private:
    void form(const std::string& name, const std::string& before, const char* manufac, const char* version,
              const char* findings, const char* changed, const std::string& after) {
        test::TempFolder dir;
        const std::string path = dir.write(name, before);
        FileSearch search;
        FoundFilesList found;
        search.runSearch("*.ies", dir.path(), found);
        QCOMPARE(found.count(), 1);
        QCOMPARE(found.fullPath(1), path);

        const KeywordReadBack readBack = readBackKeywords(splitLines(before), {});
        QCOMPARE(readBack.manufac.found ? q(readBack.manufac.value) : QStringLiteral("-"), q(manufac));

        const FileCheck check = checkFile(before);
        QCOMPARE(check.version, std::string(version));
        QStringList codes;
        for (const auto& f : check.findings)
            codes << QString::fromStdString(f.code) + QLatin1Char('@') + QString::number(f.line);
        QCOMPARE(codes.join(QLatin1Char(' ')), QString::fromLatin1(findings));

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
        QCOMPARE(((note.empty() ? QStringList() : QStringList{q(note)}) +
                  changedLines(unifiedDiff(path, results[0].before, results[0].after, true)))
                     .join(QLatin1Char('|')),
                 q(changed));
        QCOMPARE(test::readBytes(path), before);

        const BatchOutcome outcome = runBatch({path}, panel, {}, {}, callbacks);
        QCOMPARE(outcome.written, 1L);
        QCOMPARE(q(test::readBytes(path)), q(after));
    }
};

QTEST_GUILESS_MAIN(TestRealForms)
#include "test_realforms.moc"
