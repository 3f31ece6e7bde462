// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/readfile.h"
#include "format/headercheck.h"
#include "format/photometry.h"
#include "format/text.h"

#include <QtTest>

#include <charconv>
#include <fstream>
#include <sstream>

using namespace tagmere;

Q_DECLARE_METATYPE(std::string)

namespace {
// A valid type C block: two vertical angles, one horizontal, on lines 2 to 7 after the TILT= line.
const std::string kData = "TILT=NONE\r\n1 -1 1 2 1 1 2 0 0 0\r\n1 1 10\r\n0 90\r\n0\r\n100 50\r\n";
const std::string k2002 = "IESNA:LM-63-2002\r\n[TEST] T\r\n[TESTLAB] L\r\n[ISSUEDATE] D\r\n[MANUFAC] M\r\n";

// "code@line" of every finding, in order.
QStringList codes(const std::vector<HeaderFinding>& findings) {
    QStringList out;
    for (const auto& f : findings)
        out << QString::fromStdString(f.code) + QLatin1Char('@') + QString::number(f.line);
    return out;
}

std::string sample(const char* name) {
    std::ifstream in(std::string(TAGMERE_SOURCE_DIR "/tests/data/ies/") + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
} // namespace

class TestHeaderCheck : public QObject {
    Q_OBJECT

private slots:
    // Small files of each version: what the version requires, what is merely a warning.
    void versions_data() {
        QTest::addColumn<std::string>("bytes");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("error");
        auto row = [](const char* name, const std::string& header, QStringList expected, bool error) {
            QTest::newRow(name) << header + kData << expected << error;
        };
        row("1991 with a 2002 keyword", "IESNA91\r\n[TESTLAB] L\r\n", {"other-version@2"}, false);
        row("1995 date and block", "IESNA:LM-63-1995\r\n[BLOCK]\r\n[DATE] D\r\n[ENDBLOCK]\r\n", {}, false);
        row("1995 block never closed", "IESNA:LM-63-1995\r\n[BLOCK]\r\n[TEST] T\r\n", {"block-unbalanced@2"}, false);
        row("1995 end of no block", "IESNA:LM-63-1995\r\n[ENDBLOCK]\r\n", {"block-unbalanced@2"}, false);
        row("2002 complete", k2002, {}, false);
        row("2002 without lab and issue date", "IESNA:LM-63-2002\r\n[TEST] T\r\n[MANUFAC] M\r\n",
            {"missing-keyword@4", "missing-keyword@4"}, true);
        row("2002 with the 1995 date and block", k2002 + "[DATE] D\r\n[BLOCK]\r\n",
            {"other-version@6", "other-version@7"}, false);
        row("2019 with its own keyword, without maker",
            "IES:LM-63-2019\r\n[TEST] T\r\n[TESTLAB] L\r\n[ISSUEDATE] D\r\n[FILEGENINFO] x\r\n", {"missing-keyword@6"},
            true);
        row("unknown version", "IESNA:LM-63-1986\r\n[TEST] T\r\n", {"version-unknown@1"}, true);
        row("version with blanks", "IESNA: LM-63-1995 \r\n", {"version-blanks@1"}, false);
        row("maker in lower case", "IESNA:LM-63-2002\r\n[TEST] T\r\n[TESTLAB] L\r\n[ISSUEDATE] D\r\n[manufac] M\r\n",
            {"keyword-case@5", "missing-keyword@6"}, true);
        row("unknown keyword", k2002 + "[COLOR] red\r\n", {"unknown-keyword@6"}, false);
        row("user keyword and more lines", k2002 + "[_MOUNTING] R\r\n[OTHER] a\r\n[MORE] b\r\n", {}, false);
        row("orphan more", "IESNA:LM-63-1995\r\n[MORE] x\r\n", {"orphan-more@2"}, false);
        row("2002 line of 256 and its CR LF", k2002 + "[OTHER] " + std::string(248, 'x') + "\r\n", {}, false);
        row("2002 lines of 257: one finding",
            k2002 + "[OTHER] " + std::string(249, 'x') + "\r\n[MORE] " + std::string(250, 'x') + "\r\n",
            {"line-too-long@6"}, false);
        row("1986: no header at all", "", {}, false);
        row("indented keyword, counted as present",
            "IESNA:LM-63-2002\r\n[TEST] T\r\n[TESTLAB] L\r\n  [ISSUEDATE] D\r\n"
            " [MANUFAC] M\r\n",
            {"keyword-indent@4", "keyword-indent@5"}, false);
        row("high byte and tab in header", "IESNA:LM-63-1995\r\n[TEST]\tT\r\n[LAMP] L\xe9\r\n",
            {"non-ascii@2", "non-ascii@3"}, false);
        // The printable range's two ends are fine; DEL just past it is not.
        row("space and tilde, then DEL", k2002 + "[OTHER] ~ ~\r\n[LAMP] L\x7f\r\n", {"non-ascii@7"}, false);
        QTest::newRow("lf only") << std::string(
                                        "IESNA:LM-63-1995\nTILT=NONE\n1 -1 1 2 1 1 2 0 0 0\n1 1 10\n0 90\n0\n100 50\n")
                                 << QStringList{"line-ends@1"} << false;
        QTest::newRow("real 2002 file") << sample("1a936937a49c63374e6d4fbed9252b29.ies")
                                        << QStringList{"line-ends@1", "other-version@14"} << false;
        QTest::newRow("mixed line ends") << "IESNA:LM-63-1995\r\n[TEST] T\n" + kData << QStringList{"line-ends@2"}
                                         << false;
        QTest::newRow("no tilt") << std::string("IESNA:LM-63-1995\r\n[TEST] T\r\n") << QStringList{"no-tilt@1"} << true;
        QTest::newRow("empty file") << std::string() << QStringList{"no-tilt@1", "version-unknown@1"} << true;
    }
    void versions() {
        QFETCH(std::string, bytes);
        QFETCH(QStringList, expected);
        QFETCH(bool, error);
        const FileCheck check = checkFile(bytes);
        QCOMPARE(codes(check.findings), expected);
        QCOMPARE(hasError(check.findings), error);
    }

    // Damaged photometric blocks, each code once. The TILT= line is line 2.
    void dataBlocks_data() {
        QTest::addColumn<std::string>("data");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("error");
        auto row = [](const char* name, const std::string& data, QStringList expected, bool error) {
            QTest::newRow(name) << data << expected << error;
        };
        const std::string counts = "1 -1 1 2 1 1 2 0 0 0\r\n1 1 10\r\n";
        // A valid block but for the first counts line.
        auto firstLine = [](const char* line) {
            return "TILT=NONE\r\n" + std::string(line) + "\r\n1 1 10\r\n0 90\r\n0\r\n100 50\r\n";
        };
        row("split anywhere", "TILT=NONE\r\n1,-1,1\r\n2 1\r\n1 2,0 0 0 1\r\n1 10 0\r\n90 0 100,\r\n50\r\n", {}, false);
        row("tilt file", "TILT=lamp.tlt\r\n" + counts + "0 90\r\n0\r\n100 50\r\n", {"tilt-file@2"}, false);
        row("not a number", "TILT=NONE\r\n" + counts + "0 9O\r\n0\r\n100 50\r\n", {"data-not-number@5"}, true);
        row("truncated", "TILT=NONE\r\n" + counts + "0 90\r\n0\r\n100\r\n", {"data-truncated@7"}, true);
        row("extra data", "TILT=NONE\r\n" + counts + "0 90\r\n0\r\n100 50\r\n7 8\r\n", {"data-extra@8"}, false);
        row("DOS end-of-file byte after the last value",
            "TILT=NONE\r\n" + counts +
                "0 90\r\n0\r\n100 50\x1a"
                "7",
            {}, false);
        row("lumens", firstLine("1 0 1 2 1 1 2 0 0 0"), {"lumens@3"}, true);
        row("half a lumen is some", firstLine("1 0.5 1 2 1 1 2 0 0 0"), {}, false);
        row("multiplier", firstLine("1 -1 0 2 1 1 2 0 0 0"), {"multiplier@3"}, true);
        row("photometric type", firstLine("1 -1 1 2 1 4 2 0 0 0"), {"photometric-type@3"}, true);
        row("units type", firstLine("1 -1 1 2 1 1 3 0 0 0"), {"units-type@3"}, true);
        row("zero count", "TILT=NONE\r\n1 -1 1 0 1 1 2 0 0 0\r\n1 1 10\r\n0\r\n100\r\n", {"data-count@3"}, true);
        row("zero horizontal count", "TILT=NONE\r\n1 -1 1 1 0 1 2 0 0 0\r\n1 1 10\r\n0\r\n100\r\n", {"data-count@3"},
            true);
        row("angles not ascending", "TILT=NONE\r\n1 -1 1 3 1 1 2 0 0 0\r\n1 1 10\r\n0 90 90\r\n0\r\n1 2 3\r\n",
            {"angles-order@5"}, true);
        row("data line over 132", "TILT=NONE\r\n" + counts + "0" + std::string(130, ' ') + "90\r\n0\r\n100 50\r\n",
            {"line-too-long@5"}, false);
        row("negative candela", "TILT=NONE\r\n" + counts + "0 90\r\n0\r\n100 -5\r\n", {"candela-negative@7"}, true);
        row("type C horizontal range", "TILT=NONE\r\n" + counts + "0 90\r\n45\r\n100 50\r\n", {"angles-range@6"}, true);
        row("type B range is a warning", firstLine("1 -1 1 2 1 2 2 0 0 0"), {"angles-range@6"}, false);
        row("type B horizontal angles short of 90",
            "TILT=NONE\r\n1 -1 1 2 2 2 2 0 0 0\r\n1 1 10\r\n0 90\r\n0 45\r\n1 2 3 4\r\n", {"angles-range@6"}, false);
    }
    void dataBlocks() {
        QFETCH(std::string, data);
        QFETCH(QStringList, expected);
        QFETCH(bool, error);
        const FileCheck check = checkFile("IESNA:LM-63-1995\r\n" + data);
        QCOMPARE(codes(check.findings), expected);
        QCOMPARE(hasError(check.findings), error);
    }

    void readerValues() {
        const PhotometryReading r = readPhotometry("IESNA:LM-63-2002\r\nTILT=INCLUDE\r\n2\r\n2\r\n0 90\r\n1 .5\r\n"
                                                   "3 1000 2 2 2 1 2 0.5 -0.6 0.1\r\n0.9 1 40\r\n0 90\r\n0 180\r\n"
                                                   "10 20 30 40\r\n");
        QVERIFY(r.findings.empty());
        const Photometry& p = r.values;
        QVERIFY(p.complete);
        QCOMPARE(p.tilt.lampToLuminaireGeometry, 2);
        QCOMPARE(p.tilt.factors, (std::vector<double>{1, 0.5}));
        QCOMPARE(p.lampCount, 3);
        QCOMPARE(p.candelaMultiplier, 2.0);
        QCOMPARE(p.length, -0.6);
        QCOMPARE(p.inputWatts, 40.0);
        QCOMPARE(p.horizontalAngles, (std::vector<double>{0, 180}));
        QCOMPARE(p.candela, (std::vector<std::vector<double>>{{10, 20}, {30, 40}}));
    }

    // The reader takes plain numbers in runs and the check walks them in blocks of bytes:
    // both must give what from_chars gives, and the same findings, whatever the numbers
    // and separators and wherever a block ends.
    void fastPathsAgree() {
        // Plain and less plain numbers; the last is longer than a block.
        std::vector<std::string> numbers;
        for (const std::string_view n :
             splitAt("0 7 180 2747.4 0.1 4.35 0.30000000000000004 123456789.123456789 9007199254740993 "
                     "9007199254740992.5 12345678901234567890 00012.50 1e3 +5 5. .5 -0 1234567.7654321 "
                     "0.000000000000000000001",
                     ' '))
            numbers.emplace_back(n);
        numbers.push_back(std::string(70, '9'));
        const std::vector<std::string> separators = {" ", "\r\n", "  ", "\r", "\n", "\t", ",", " \r\n"};
        const auto expected = [](std::string token) {
            if (token[0] == '+')
                token.erase(0, 1);
            double value = 0;
            std::from_chars(token.data(), token.data() + token.size(), value);
            return value;
        };
        for (size_t seed = 0; seed < 40; ++seed) {
            // 200 values, one horizontal angle, one in `seed + 3` of them from the list.
            std::string table;
            std::vector<double> values;
            for (size_t i = 0; i < 200; ++i) {
                const std::string token =
                    i % (seed + 3) == 0 ? numbers[(i / (seed + 3) + seed) % numbers.size()] : std::to_string(i) + ".5";
                table += token + separators[(i * 7 + seed) % separators.size()];
                values.push_back(expected(token));
            }
            const std::string file = k2002 + "TILT=NONE\r\n1 -1 1 200 1 1 2 0 0 0\r\n1 1 10\r\n";
            std::string angles;
            for (int a = 0; a < 200; ++a)
                angles += std::to_string(a / 2) + (a % 2 ? ".5 " : " ");
            const std::string bytes = file + angles + "\r\n0\r\n" + table;
            const PhotometryReading read = readPhotometry(bytes);
            QVERIFY2(read.values.complete, qPrintable(QString::number(seed)));
            QCOMPARE(read.values.candela.at(0), values);
            QCOMPARE(codes(checkPhotometry(bytes)), codes(read.findings));
            // Damaged in one place each: the first damage is found where a value at a time finds it.
            for (const char* damage : {"-3", "x", "1.2.3", "..5", "\x1a", "-", "1e999", "7-"}) {
                std::string broken = bytes;
                broken.insert(broken.size() - 40 - seed, std::string(" ") + damage + " ");
                const PhotometryReading r = readPhotometry(broken);
                const std::vector<HeaderFinding> quick = checkPhotometry(broken);
                QCOMPARE(codes(quick), codes(r.findings));
                for (size_t f = 0; f < quick.size(); ++f)
                    QCOMPARE(quick[f].text, r.findings[f].text);
            }
        }
    }

    // Every prefix of a real file is read without a fault, and one cut before its last
    // number is an error.
    void cutAnywhere() {
        const std::string bytes = sample("007cfb11e343e2f42e3b476be4ab684e.ies");
        const size_t lastNumber = bytes.rfind(" 0.0");
        for (size_t size = 0; size < bytes.size(); ++size) {
            const FileCheck check = checkFile(std::string_view(bytes).substr(0, size));
            if (size <= lastNumber && !hasError(check.findings))
                QFAIL(qPrintable(QStringLiteral("no error when cut at %1").arg(size)));
        }
    }

    void textsAndUnreadable() {
        const auto found = checkHeader("IESNA:LM-63-2002\r\n[TEST] T\r\n[TESTLAB] L\r\n[ISSUEDATE] D\r\nTILT=NONE\r\n");
        QCOMPARE(found.size(), size_t(1));
        QVERIFY(startsWith(found[0].text, "required keyword [MANUFAC] is missing"));
        QCOMPARE(checkFile(k2002 + kData).version, std::string("LM-63-2002"));
        // 60 lines of one finding: 50 listed, then one that counts the rest from line 56 on.
        std::string many = k2002;
        for (int i = 0; i < 60; ++i)
            many += "[X]\r\n";
        const auto capped = checkFile(many + kData).findings;
        QCOMPARE(capped.size(), size_t(51));
        QCOMPARE(capped.back().line, 56L);
        QVERIFY(startsWith(capped.back().text, "10 more finding(s) of unknown-keyword"));
        const FileCheck gone = checkHeaderFile(TAGMERE_SOURCE_DIR "/tests/data/ies/no-such-file.ies");
        QCOMPARE(codes(gone.findings), QStringList{"unreadable@1"});
    }
};

QTEST_GUILESS_MAIN(TestHeaderCheck)
#include "test_headercheck.moc"
