// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/misc.h"
#include "format/text.h"

#include <QtTest>

using namespace tagmere;

Q_DECLARE_METATYPE(std::string)

class TestMisc : public QObject {
    Q_OBJECT

private slots:
    void numberNotions_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<bool>("number");
        QTest::addColumn<double>("value");
        QTest::newRow("blanks around") << std::string("  4000.5 ") << true << 4000.5;
        QTest::newRow("sign") << std::string("-1") << true << -1.0;
        QTest::newRow("exponent") << std::string("1e3") << true << 1000.0;
        QTest::newRow("leading point") << std::string(".5") << true << 0.5;
        QTest::newRow("trailing letter") << std::string("4000K") << false << 4000.0;
        QTest::newRow("blanks only") << std::string("   ") << false << 0.0;
        QTest::newRow("lone point") << std::string(".") << false << 0.0;
        QTest::newRow("dangling exponent") << std::string("5e") << false << 5.0;
    }
    void numberNotions() {
        QFETCH(std::string, text);
        QFETCH(bool, number);
        QFETCH(double, value);
        QCOMPARE(isNumber(text), number);
        QCOMPARE(leadingValue(text), value);
    }

    void advanceCheck_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<std::string>("value");
        QTest::addColumn<bool>("passes");
        const int sp = 0, cri = 1, ct = 2;
        QTest::newRow("cri 70-80") << cri << std::string("70-80") << true;
        QTest::newRow("cri blanks inside range") << cri << std::string("70 - 80") << true;
        QTest::newRow("cri 80-70") << cri << std::string("80-70") << false;
        QTest::newRow("cri 70-70") << cri << std::string("70-70") << false;
        QTest::newRow("cri -70") << cri << std::string("-70") << false;
        QTest::newRow("cri 70-80-90") << cri << std::string("70-80-90") << false;
        QTest::newRow("cri word") << cri << std::string("good") << false;
        QTest::newRow("cri empty") << cri << std::string() << false;
        QTest::newRow("cri zero") << cri << std::string("0") << false;
        QTest::newRow("ct 4000k-5000K") << ct << std::string("4000k-5000K") << true;
        QTest::newRow("ct K4000 passes advance") << ct << std::string("K4000") << true;
        QTest::newRow("ct 5000K-4000K") << ct << std::string("5000K-4000K") << false;
        QTest::newRow("sp 0.5") << sp << std::string("0.5") << true;
        QTest::newRow("sp 0") << sp << std::string("0") << false;
        QTest::newRow("sp letter") << sp << std::string("x") << false;
    }
    void advanceCheck() {
        QFETCH(int, row);
        QFETCH(std::string, value);
        QFETCH(bool, passes);
        MiscPanel p;
        bool* const ticks[] = {&p.chkSearchSPRatio, &p.chkSearchCRI, &p.chkSearchColorTemp};
        std::string* const texts[] = {&p.txtSearchSPRatio, &p.txtSearchCRI, &p.txtSearchColorTemp};
        const char* const keywords[] = {kSearchSpRatio, kSearchCri, kSearchColorTemp};
        *ticks[row] = true;
        *texts[row] = value;
        const Status result = tagmere::advanceCheck(p);
        QCOMPARE(result.ok, passes);
        // The warning names the keyword whose value is wrong.
        if (!result.ok)
            QVERIFY(startsWith(result.description, keywords[row]));
    }

    void colorTempFileCheck_data() {
        QTest::addColumn<std::string>("value");
        QTest::addColumn<bool>("passes");
        QTest::newRow("4000k-5000K") << std::string("4000k-5000K") << true;
        QTest::newRow("equal range") << std::string("4000-4000") << true;
        QTest::newRow("K before digits") << std::string("K4000") << false;
        QTest::newRow("falling range") << std::string("5000-4000") << false;
        QTest::newRow("zero in range") << std::string("0-4000") << false;
        QTest::newRow("lowest range") << std::string("1-2") << true;
        QTest::newRow("three parts use first") << std::string("4000-1-2") << true;
        QTest::newRow("empty") << std::string() << false;
    }
    void colorTempFileCheck() {
        QFETCH(std::string, value);
        QFETCH(bool, passes);
        const Status result = colorTempCheck(value);
        QCOMPARE(result.ok, passes);
        if (!result.ok)
            QVERIFY(startsWith(result.description, "Invalid [_SEARCH_COLORTEMP] value"));
    }

    void composition() {
        MiscPanel p;
        p.chkManufac = p.chkSearchSource = p.chkSearchSPRatio = p.chkSearchCRI = p.chkSearchColorTemp = true;
        p.txtManufac = "  ACME Lighting ";
        p.txtSearchSPRatio = " 1.2 ";
        p.txtSearchCRI = " 70 - 80 ";
        p.txtSearchColorTemp = "4000K-5000K";
        const std::vector<KeywordEdit> expected{{"[MANUFAC]", "[MANUFAC] ACME Lighting"},
                                                {"[_SEARCH_SOURCETYPE]", "[_SEARCH_SOURCETYPE] LED"},
                                                {"[_SEARCH_SP_RATIO]", "[_SEARCH_SP_RATIO] 1.2"},
                                                {"[_SEARCH_CRI]", "[_SEARCH_CRI] 70 - 80"},
                                                {"[_SEARCH_COLORTEMP]", "[_SEARCH_COLORTEMP] 4000K-5000K"}};
        QCOMPARE(composeMisc(p), expected);
    }
};

QTEST_GUILESS_MAIN(TestMisc)
#include "test_misc.moc"
