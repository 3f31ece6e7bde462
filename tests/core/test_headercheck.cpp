#include "core/headercheck.h"

#include <QtTest>

using namespace tagmere;

Q_DECLARE_METATYPE(std::string)

namespace {
const std::string kClean2002 = "IESNA:LM-63-2002\r\n[TEST] T1\r\n[TESTLAB] LAB\r\n[ISSUEDATE] 2026-01-01\r\n"
                               "[MANUFAC] ACME\r\n[_SEARCH_CRI] 80\r\nTILT=NONE\r\n1 2 3\r\n";
const std::string kClean1995 = "IESNA:LM-63-1995\r\n[TEST] T1\r\n[TESTLAB] LAB\r\n[MANUFAC] ACME\r\nTILT=NONE\r\n";

// "code@line" of every finding, in order.
QStringList codes(const std::vector<HeaderFinding>& findings) {
    QStringList out;
    for (const auto& f : findings)
        out << QString::fromStdString(f.code) + QLatin1Char('@') + QString::number(f.line);
    return out;
}
} // namespace

class TestHeaderCheck : public QObject {
    Q_OBJECT

private slots:
    void findings_data() {
        QTest::addColumn<std::string>("bytes");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("error");
        const std::string head2002 =
            "IESNA:LM-63-2002\r\n[TEST] T1\r\n[TESTLAB] LAB\r\n[ISSUEDATE] D\r\n[MANUFAC] M\r\n";
        QTest::newRow("clean 2002") << kClean2002 << QStringList() << false;
        QTest::newRow("clean 1995") << kClean1995 << QStringList() << false;
        QTest::newRow("clean 2019") << std::string("IES:LM-63-2019\r\n[TEST] T\r\n[TESTLAB] L\r\n[ISSUEDATE] D\r\n"
                                                   "[MANUFAC] M\r\nTILT=NONE\r\n")
                                    << QStringList() << false;
        QTest::newRow("clean 1991") << std::string("IESNA91\r\n[TEST] T\r\n[TESTLAB] L\r\n[MANUFAC] M\r\nTILT=NONE\r\n")
                                    << QStringList() << false;
        QTest::newRow("1995 header read as 2002 lacks issue date")
            << std::string("IESNA:LM-63-2002\r\n[TEST] T1\r\n[TESTLAB] LAB\r\n[MANUFAC] ACME\r\nTILT=NONE\r\n")
            << QStringList{QStringLiteral("missing-keyword@5")} << true;
        QTest::newRow("no tilt") << std::string("IESNA:LM-63-1995\r\n[TEST] T1\r\n[TESTLAB] LAB\r\n[MANUFAC] ACME\r\n")
                                 << QStringList{QStringLiteral("no-tilt@1")} << true;
        QTest::newRow("unknown version")
            << std::string("IESNA:LM-63-1986\r\n[TEST] T\r\n[TESTLAB] L\r\n[MANUFAC] M\r\nTILT=NONE\r\n")
            << QStringList{QStringLiteral("version-unknown@1")} << true;
        QTest::newRow("version with blanks")
            << std::string("IESNA: LM-63-1995 \r\n[TEST] T\r\n[TESTLAB] L\r\n[MANUFAC] M\r\nTILT=NONE\r\n")
            << QStringList{QStringLiteral("version-blanks@1")} << false;
        QTest::newRow("missing maker") << std::string("IESNA:LM-63-1995\r\n[TEST] T\r\n[TESTLAB] L\r\nTILT=NONE\r\n")
                                       << QStringList{QStringLiteral("missing-keyword@4")} << true;
        QTest::newRow("keyword after tilt does not count")
            << std::string("IESNA:LM-63-1995\r\n[TEST] T\r\n[TESTLAB] L\r\nTILT=NONE\r\n[MANUFAC] M\r\n")
            << QStringList{QStringLiteral("missing-keyword@4")} << true;
        QTest::newRow("maker in lower case")
            << std::string("IESNA:LM-63-1995\r\n[TEST] T\r\n[TESTLAB] L\r\n[manufac] M\r\nTILT=NONE\r\n")
            << QStringList{QStringLiteral("missing-keyword@5"), QStringLiteral("keyword-case@4")} << true;
        QTest::newRow("unknown keyword") << head2002 + "[COLOR] red\r\nTILT=NONE\r\n"
                                         << QStringList{QStringLiteral("unknown-keyword@6")} << false;
        QTest::newRow("user keyword is fine") << head2002 + "[_MOUNTING] Recessed\r\nTILT=NONE\r\n"
                                              << QStringList() << false;
        QTest::newRow("more after keyword is fine") << head2002 + "[OTHER] a\r\n[MORE] b\r\n[MORE] c\r\nTILT=NONE\r\n"
                                                    << QStringList() << false;
        QTest::newRow("orphan more") << std::string("IESNA:LM-63-2002\r\n[MORE] x\r\n[TEST] T\r\n[TESTLAB] L\r\n"
                                                    "[ISSUEDATE] D\r\n[MANUFAC] M\r\nTILT=NONE\r\n")
                                     << QStringList{QStringLiteral("orphan-more@2")} << false;
        QTest::newRow("line of 256 with CR LF is allowed in 2002")
            << head2002 + "[OTHER] " + std::string(246, 'x') + "\r\nTILT=NONE\r\n"
            << QStringList() << false;
        QTest::newRow("line of 257 with CR LF is too long in 2002")
            << head2002 + "[OTHER] " + std::string(247, 'x') + "\r\nTILT=NONE\r\n"
            << QStringList{QStringLiteral("line-too-long@6")} << false;
        QTest::newRow("1995 header line over 80")
            << std::string("IESNA:LM-63-1995\r\n[TEST] ") + std::string(80, 't') +
                   "\r\n[TESTLAB] L\r\n[MANUFAC] M\r\nTILT=NONE\r\n" + std::string(100, '1') + "\r\n"
            << QStringList{QStringLiteral("line-too-long@2")} << false;
        QTest::newRow("1995 data line over 132") << kClean1995 + std::string(131, '1') + "\r\n"
                                                 << QStringList{QStringLiteral("line-too-long@6")} << false;
        QTest::newRow("lf only") << std::string("IESNA:LM-63-1995\n[TEST] T\n[TESTLAB] L\n[MANUFAC] M\nTILT=NONE\n")
                                 << QStringList{QStringLiteral("line-ends@1")} << false;
        QTest::newRow("mixed line ends")
            << std::string("IESNA:LM-63-1995\r\n[TEST] T\r\n[TESTLAB] L\n[MANUFAC] M\r\nTILT=NONE\r\n")
            << QStringList{QStringLiteral("line-ends@3")} << false;
        QTest::newRow("high byte in header")
            << std::string("IESNA:LM-63-1995\r\n[TEST] T\r\n[TESTLAB] L\xe9\r\n[MANUFAC] M\r\nTILT=NONE\r\n\xff\r\n")
            << QStringList{QStringLiteral("non-ascii@3")} << false;
        QTest::newRow("tab in header") << std::string("IESNA:LM-63-1995\r\n[TEST]\tT\r\n[TESTLAB] L\r\n[MANUFAC] M\r\n"
                                                      "TILT=NONE\r\n")
                                       << QStringList{QStringLiteral("non-ascii@2")} << false;
        QTest::newRow("empty file") << std::string()
                                    << QStringList{QStringLiteral("no-tilt@1"), QStringLiteral("version-unknown@1"),
                                                   QStringLiteral("missing-keyword@1"),
                                                   QStringLiteral("missing-keyword@1"),
                                                   QStringLiteral("missing-keyword@1")}
                                    << true;
    }
    void findings() {
        QFETCH(std::string, bytes);
        QFETCH(QStringList, expected);
        QFETCH(bool, error);
        const auto found = checkHeader(bytes);
        QCOMPARE(codes(found), expected);
        QCOMPARE(hasError(found), error);
    }

    void severitiesAndTexts() {
        const auto found = checkHeader("IESNA:LM-63-1995\r\n[TEST] T\r\n[TESTLAB] L\r\nTILT=NONE\r\n");
        QCOMPARE(found.size(), size_t(1));
        QCOMPARE(found[0].severity, Severity::Error);
        QCOMPARE(found[0].text, std::string("required keyword [MANUFAC] is missing"));
        QCOMPARE(std::string(severityText(Severity::Warning)), std::string("warning"));
    }
};

QTEST_GUILESS_MAIN(TestHeaderCheck)
#include "test_headercheck.moc"
