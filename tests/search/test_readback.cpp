// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/readback.h"

#include <QtTest>

#include <string>

using namespace tagmere;

namespace {

QString q(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<int>(s.size()));
}

// File lines from a text whose lines are separated by "\n".
FileLines linesOf(const QString& text) {
    FileLines lines = emptyFileLines();
    if (text.isEmpty())
        return lines;
    for (const QString& l : text.split(QLatin1Char('\n')))
        lines.push_back(l.toLatin1().toStdString());
    return lines;
}

// Node texts from "|"-separated lists, one per tree; "-" stands for an empty tree.
TreeNodeTexts treesOf(const QStringList& trees) {
    TreeNodeTexts out;
    for (int t = 0; t < trees.size() && t < 3; ++t) {
        if (trees[t] == QLatin1String("-"))
            continue;
        for (const QString& node : trees[t].split(QLatin1Char('|')))
            out[static_cast<std::size_t>(t)].push_back(node.toLatin1().toStdString());
    }
    return out;
}

// The sample tree: nodes 1..5.
const QString kLampTree = QStringLiteral("[LAMPCAT]|WALL|CEILING|[_MOUNTING]|RECESSED");
// The same with a spacer node (blanks only) as node 3.
const QString kSpacerTree = QStringLiteral("[LAMPCAT]|WALL| |CEILING");

QString marksText(const KeywordReadBack& rb) {
    QStringList parts;
    for (const auto& m : rb.marks)
        parts << QStringLiteral("%1:%2").arg(m.tree).arg(m.node);
    return parts.join(QLatin1Char(' '));
}

QString panelText(const KeywordReadBack& rb) {
    QStringList parts;
    const auto add = [&](const char* name, const PanelValue& v) {
        if (v.found)
            parts << QStringLiteral("%1<%2>").arg(QLatin1String(name), q(v.value));
    };
    add("MANUFAC", rb.manufac);
    add("SP_RATIO", rb.spRatio);
    add("CRI", rb.cri);
    add("COLORTEMP", rb.colorTemp);
    add("SOURCETYPE", rb.sourceType);
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestReadBack : public QObject {
    Q_OBJECT

private slots:
    void readBack_data();
    void readBack();
    void isMarked();
    void applyToPanel_data();
    void applyToPanel();
};

void TestReadBack::readBack_data() {
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QStringList>("trees");
    QTest::addColumn<QString>("marks");
    QTest::addColumn<QString>("panel");

    const QStringList lamp{kLampTree, QStringLiteral("-"), QStringLiteral("-")};
    const QStringList spacer{kSpacerTree, QStringLiteral("-"), QStringLiteral("-")};
    const QStringList none{QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-")};

    // Panel keywords.
    QTest::newRow("manufac") << "[MANUFAC] ACME" << none << ""
                             << "MANUFAC<ACME>";
    QTest::newRow("lower-case keyword not recognised") << "[manufac] ACME" << none << ""
                                                       << "";
    QTest::newRow("value counted from the line start") << "  [MANUFAC] ACME" << none << ""
                                                       << "MANUFAC<C] ACME>";
    QTest::newRow("blanks trimmed, tabs kept") << "[_SEARCH_CRI]  \t80 " << none << ""
                                               << "CRI<\t80>";
    QTest::newRow("source type upper-cased") << "[_SEARCH_SOURCETYPE] led" << none << ""
                                             << "SOURCETYPE<LED>";
    QTest::newRow("source type upper-cased then trimmed") << "[_SEARCH_SOURCETYPE]   mh  " << none << ""
                                                          << "SOURCETYPE<MH>";
    QTest::newRow("other values keep their case") << "[MANUFAC] Acme Ltd" << none << ""
                                                  << "MANUFAC<Acme Ltd>";
    QTest::newRow("later line replaces the value") << "[_SEARCH_CRI] 70\n[_SEARCH_CRI] 80" << none << ""
                                                   << "CRI<80>";
    QTest::newRow("continuation adds nothing to a panel value") << "[MANUFAC] ACME\n[MORE] MORE INC" << none << ""
                                                                << "MANUFAC<ACME>";
    QTest::newRow("nothing after the keyword") << "[_SEARCH_COLORTEMP]" << none << ""
                                               << "COLORTEMP<>";
    QTest::newRow("all five") << "[MANUFAC] A\n[_SEARCH_SP_RATIO] 1.2\n[_SEARCH_CRI] 90\n"
                                 "[_SEARCH_COLORTEMP] 3000K\n[_SEARCH_SOURCETYPE] LED"
                              << none << ""
                              << "MANUFAC<A> SP_RATIO<1.2> CRI<90> COLORTEMP<3000K> SOURCETYPE<LED>";
    QTest::newRow("data lines after TILT= are scanned too")
        << "IESNA:LM-63-2002\nTILT=NONE\n1 1000 1\n[MANUFAC] LATE" << none << ""
        << "MANUFAC<LATE>";
    QTest::newRow("empty buffer") << "" << lamp << ""
                                  << "";
    QTest::newRow("no keyword lines") << "IESNA:LM-63-2002\nTILT=NONE" << lamp << ""
                                      << "";

    // Tree keywords.
    QTest::newRow("worked example") << "[LAMPCAT] wall, Pendant\n[MORE] ceiling" << lamp << "0:1 0:2 0:3"
                                    << "";
    QTest::newRow("no comma, value case ignored") << "[LAMPCAT] Wall" << lamp << "0:1 0:2"
                                                  << "";
    QTest::newRow("comma, blanks and case ignored") << "[LAMPCAT] wall ,CEILING" << lamp << "0:1 0:2 0:3"
                                                    << "";
    QTest::newRow("keyword's own case matters") << "[lampcat] wall" << lamp << ""
                                                << "";
    QTest::newRow("unknown value alone marks nothing") << "[LAMPCAT] pendant" << lamp << ""
                                                       << "";
    QTest::newRow("value of a later keyword") << "[LAMPCAT] recessed" << lamp << "0:1 0:5"
                                              << "";
    QTest::newRow("later keyword's own line") << "[_MOUNTING] Recessed" << lamp << "0:4 0:5"
                                              << "";
    QTest::newRow("value before its keyword is not reached") << "[_MOUNTING] wall" << lamp << ""
                                                             << "";
    QTest::newRow("comma pieces counted from the line start") << "  [LAMPCAT] wall, ceiling" << lamp << "0:1 0:3"
                                                              << "";
    QTest::newRow("no comma: piece after the line's first bracket") << "[X] [LAMPCAT] wall" << lamp << ""
                                                                    << "";
    QTest::newRow("no comma: matching starts at the keyword node") << "[LAMPCAT] [lampcat]" << lamp << "0:1"
                                                                   << "";
    QTest::newRow("comma: matching starts after the keyword node") << "[LAMPCAT] [lampcat], x" << lamp << ""
                                                                   << "";
    QTest::newRow("value node text alone is no keyword") << "WALL, CEILING" << lamp << ""
                                                         << "";
    QTest::newRow("continuation with commas") << "[LAMPCAT] wall\n[MORE] ceiling, recessed" << lamp << "0:1 0:2 0:3 0:5"
                                              << "";
    QTest::newRow("continuation run ends at a line without [MORE]")
        << "[LAMPCAT] wall\nx\n[MORE] ceiling" << lamp << "0:1 0:2"
        << "";
    QTest::newRow("several continuation lines")
        << "[LAMPCAT] pendant\n[MORE] wall\n[MORE] ceiling" << lamp << "0:1 0:2 0:3"
        << "";
    QTest::newRow("[MORE] is case-sensitive") << "[LAMPCAT] wall\n[more] ceiling" << lamp << "0:1 0:2"
                                              << "";
    QTest::newRow("lines accumulate marks") << "[LAMPCAT] wall\n[_MOUNTING] recessed" << lamp << "0:1 0:2 0:4 0:5"
                                            << "";
    QTest::newRow("keyword found anywhere in the line") << "x [LAMPCAT] wall" << lamp << "0:1 0:2"
                                                        << "";

    // Empty pieces and spacer nodes.
    QTest::newRow("nothing after the bracket ticks the spacer") << "[LAMPCAT]" << spacer << "0:1 0:3"
                                                                << "";
    QTest::newRow("trailing comma ticks the spacer") << "[LAMPCAT] wall," << spacer << "0:1 0:2 0:3"
                                                     << "";
    QTest::newRow("two commas in a row") << "[LAMPCAT] ,,ceiling" << spacer << "0:1 0:3 0:4"
                                         << "";
    QTest::newRow("empty piece without a spacer") << "[LAMPCAT]" << lamp << ""
                                                  << "";

    // Several trees.
    QTest::newRow("one line, two trees") << "[LAMPCAT] wall"
                                         << QStringList{kLampTree, QStringLiteral("[LAMPCAT]|WALL"),
                                                        QStringLiteral("-")}
                                         << "0:1 0:2 1:1 1:2"
                                         << "";
    QTest::newRow("one line, two keyword nodes of one tree")
        << "[A][B] x, x" << QStringList{QStringLiteral("[A]|X|[B]|X"), QStringLiteral("-"), QStringLiteral("-")}
        << "0:1 0:2 0:3 0:4"
        << "";
    QTest::newRow("third tree") << "[COLOR] red" << QStringList{kLampTree, QStringLiteral("-"), "[COLOR]|RED|BLUE"}
                                << "2:1 2:2"
                                << "";
    QTest::newRow("panel keyword in a tree too")
        << "[MANUFAC] acme" << QStringList{QStringLiteral("-"), QStringLiteral("[MANUFAC]|ACME"), QStringLiteral("-")}
        << "1:1 1:2"
        << "MANUFAC<acme>";
}

void TestReadBack::readBack() {
    QFETCH(QString, lines);
    QFETCH(QStringList, trees);
    QFETCH(QString, marks);
    QFETCH(QString, panel);

    const KeywordReadBack rb = readBackKeywords(linesOf(lines), treesOf(trees));
    QCOMPARE(marksText(rb), marks);
    QCOMPARE(panelText(rb), panel);
}

void TestReadBack::isMarked() {
    const KeywordReadBack rb = readBackKeywords(linesOf(QStringLiteral("[LAMPCAT] wall, Pendant\n[MORE] ceiling")),
                                                treesOf({kLampTree, QStringLiteral("-"), QStringLiteral("-")}));
    QVERIFY(rb.isMarked(0, 1));
    QVERIFY(rb.isMarked(0, 2));
    QVERIFY(rb.isMarked(0, 3));
    QVERIFY(!rb.isMarked(0, 4));
    QVERIFY(!rb.isMarked(0, 5));
    QVERIFY(!rb.isMarked(1, 1));
}

void TestReadBack::applyToPanel_data() {
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("expected");

    // The panel starts ticked and filled, with "MH" in the source type list.
    QTest::newRow("file without keywords clears the panel") << "TILT=NONE"
                                                            << "----- ||| MH";
    QTest::newRow("manufac") << "[MANUFAC] ACME"
                             << "M---- ACME||| MH";
    QTest::newRow("known source type") << "[_SEARCH_SOURCETYPE] led"
                                       << "-S--- ||| LED";
    QTest::newRow("unknown source type ticks but keeps the list") << "[_SEARCH_SOURCETYPE] laser"
                                                                  << "-S--- ||| MH";
    QTest::newRow("all rows") << "[MANUFAC] A\n[_SEARCH_SP_RATIO] 1.2\n[_SEARCH_CRI] 90\n[_SEARCH_COLORTEMP] 3000K"
                              << "M-PCT A|1.2|90|3000K MH";
}

void TestReadBack::applyToPanel() {
    QFETCH(QString, lines);
    QFETCH(QString, expected);

    MiscPanel panel;
    panel.chkManufac = panel.chkSearchSource = panel.chkSearchSPRatio = true;
    panel.chkSearchCRI = panel.chkSearchColorTemp = true;
    panel.txtManufac = "OLD";
    panel.txtSearchSPRatio = "9";
    panel.txtSearchCRI = "9";
    panel.txtSearchColorTemp = "9";
    panel.cbxSourceType = "MH";

    applyReadBack(readBackKeywords(linesOf(lines), TreeNodeTexts{}), panel);

    QString ticks;
    ticks += panel.chkManufac ? QLatin1Char('M') : QLatin1Char('-');
    ticks += panel.chkSearchSource ? QLatin1Char('S') : QLatin1Char('-');
    ticks += panel.chkSearchSPRatio ? QLatin1Char('P') : QLatin1Char('-');
    ticks += panel.chkSearchCRI ? QLatin1Char('C') : QLatin1Char('-');
    ticks += panel.chkSearchColorTemp ? QLatin1Char('T') : QLatin1Char('-');
    // The four texts with "|" between them, then the source type list's text.
    const QString texts = q(panel.txtManufac) + QLatin1Char('|') + q(panel.txtSearchSPRatio) + QLatin1Char('|') +
                          q(panel.txtSearchCRI) + QLatin1Char('|') + q(panel.txtSearchColorTemp);
    QCOMPARE(ticks + QLatin1Char(' ') + texts + QLatin1Char(' ') + q(panel.cbxSourceType), expected);
}

QTEST_GUILESS_MAIN(TestReadBack)
#include "test_readback.moc"
