// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/readback.h"
#include "testsupport.h"

#include <QtTest>

#include <string>

using namespace tagmere;
using tagmere::test::q;

namespace {

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
const QStringList kLamp{kLampTree, QStringLiteral("-"), QStringLiteral("-")};
const QStringList kNone{QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-")};

void row(const char* name, const char* lines, const QStringList& trees, const char* marks, const char* panel = "") {
    QTest::newRow(name) << QString::fromLatin1(lines) << trees << QString::fromLatin1(marks)
                        << QString::fromLatin1(panel);
}

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
    void readBack_data() {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QStringList>("trees");
        QTest::addColumn<QString>("marks");
        QTest::addColumn<QString>("panel");

        // Panel keywords.
        row("all five, case kept but source type's, a bare keyword found empty",
            "[MANUFAC] Acme Ltd\n[_SEARCH_SP_RATIO] 1.2\n[_SEARCH_CRI] 90\n[_SEARCH_COLORTEMP]\n[_SEARCH_SOURCETYPE]  "
            "led ",
            kNone, "", "MANUFAC<Acme Ltd> SP_RATIO<1.2> CRI<90> COLORTEMP<> SOURCETYPE<LED>");
        row("value read from where an indented keyword ends", "  [MANUFAC] ACME\n[_SEARCH_CRI]80", kNone, "",
            "MANUFAC<ACME> CRI<80>");
        row("blanks trimmed, tabs kept", "[_SEARCH_CRI]  \t80 ", kNone, "", "CRI<\t80>");
        row("later line wins, [MORE] adds nothing to a panel value",
            "[MANUFAC] ACME\n[MORE] MORE INC\n[_SEARCH_CRI] 70\n[_SEARCH_CRI] 80", kNone, "", "MANUFAC<ACME> CRI<80>");
        row("data lines after TILT= are scanned too", "IESNA:LM-63-2002\nTILT=NONE\n1 1000 1\n[MANUFAC] LATE", kNone,
            "", "MANUFAC<LATE>");
        row("1986 free text: keywords count only at a line's start",
            "ACME REPORT\nSEE [MANUFAC] NOTE, [LAMPCAT] WALL\n  [_SEARCH_CRI] 80", kLamp, "", "CRI<80>");
        row("keywords' own case matters", "[manufac] ACME\n[lampcat] wall", kLamp, "");
        row("empty buffer", "", kLamp, "");

        // Tree keywords.
        row("worked example", "[LAMPCAT] wall, Pendant\n[MORE] ceiling", kLamp, "0:1 0:2 0:3");
        row("no comma, value case ignored", "[LAMPCAT] Wall", kLamp, "0:1 0:2");
        row("comma, blanks and case ignored", "[LAMPCAT] wall ,CEILING", kLamp, "0:1 0:2 0:3");
        row("comma, no blank after the bracket", "[LAMPCAT]wall,ceiling", kLamp, "0:1 0:2 0:3");
        row("unknown or empty value marks nothing, not even the keyword", "[LAMPCAT] pendant\n[LAMPCAT]", kLamp, "");
        row("matching runs on past later keywords, never back", "[LAMPCAT] recessed\n[_MOUNTING] wall", kLamp,
            "0:1 0:5");
        row("lines accumulate marks", "[LAMPCAT] wall\n[_MOUNTING] recessed", kLamp, "0:1 0:2 0:4 0:5");
        row("comma pieces read from where an indented keyword ends", "  [LAMPCAT] wall, ceiling", kLamp, "0:1 0:2 0:3");
        row("no comma: piece after the line's first bracket", "[X] [LAMPCAT] wall", kLamp, "");
        row("no comma: matching starts at the keyword node", "[LAMPCAT] [lampcat]", kLamp, "0:1");
        row("comma: matching starts after the keyword node", "[LAMPCAT] [lampcat], x", kLamp, "");
        row("value node text alone is no keyword", "WALL, CEILING", kLamp, "");
        row("continuation with commas", "[LAMPCAT] wall\n[MORE] ceiling, recessed", kLamp, "0:1 0:2 0:3 0:5");
        row("continuation run goes on while [MORE] stands, case-sensitive",
            "[LAMPCAT] x\n[MORE] wall\n[MORE] ceiling\n[more] recessed\n[MORE] recessed", kLamp, "0:1 0:2 0:3");

        // Empty pieces tick a spacer node (blanks only).
        row("empty piece without a comma", "[LAMPCAT]", {"[LAMPCAT]|WALL| |CEILING", "-", "-"}, "0:1 0:3");
        row("empty pieces between commas", "[LAMPCAT] wall,,ceiling", {"[LAMPCAT]|WALL| |CEILING", "-", "-"},
            "0:1 0:2 0:3 0:4");

        // Several trees.
        row("every tree scanned", "[LAMPCAT] wall\n[COLOR] red", {kLampTree, "[LAMPCAT]|WALL", "[COLOR]|RED|BLUE"},
            "0:1 0:2 1:1 1:2 2:1 2:2");
        row("one line, two keyword nodes of one tree", "IESNA91\n[A][B] x, x", {"[A]|X|[B]|X", "-", "-"}, "0:1 0:2 0:3 0:4");
        row("panel keyword in a tree too", "[MANUFAC] acme", {"-", "[MANUFAC]|ACME", "-"}, "1:1 1:2", "MANUFAC<acme>");
    }

    void readBack() {
        QFETCH(QString, lines);
        QFETCH(QStringList, trees);
        QFETCH(QString, marks);
        QFETCH(QString, panel);

        const KeywordReadBack rb = readBackKeywords(linesOf(lines), treesOf(trees));
        QCOMPARE(marksText(rb), marks);
        QCOMPARE(panelText(rb), panel);
    }
};

QTEST_GUILESS_MAIN(TestReadBack)
#include "test_readback.moc"
