// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywordtestutil.h"
#include "testsupport.h"

#include "keywords/keywordtree.h"

#include <QtTest>

using namespace tagmere;
using namespace tagmere::test;

namespace {

// Three colours that differ, so a wrong colour choice shows.
const SelectColors kColors{0x111111, 0x0000FF, 0x00AA00};

// Two keywords in column 0, one in column 1, with a spacer; nothing remembered.
const std::string kThree = "[A], 0\r\na1\r\na2\r\n[B], 0\r\nb1\r\n\r\nb2\r\n[C], 1\r\nc1\r\n";

KeywordTrees displayed(const KeywordList& list, bool fileKeywordsShown = false) {
    KeywordTrees trees;
    trees.msbDisplayKeywords(list, kColors, fileKeywordsShown);
    return trees;
}

// A tree on one line: nodes as ticks() shows them, a spacer as "_".
QString shape(const KeywordTree& tree) {
    return ticks(tree).replaceInStrings(QString::fromLatin1(kSpacerText), QStringLiteral("_")).join(QLatin1Char(' '));
}

} // namespace

class TestKeywordTree : public QObject {
    Q_OBJECT

private slots:
    void rememberedTicksTakeColourFromFlag() {
        for (const bool fileKeywordsShown : {false, true}) {
            const KeywordTrees trees =
                displayed(listFrom("[A], 0\r\nx\r\ny\r\n<SelectedValues>\r\ny\r\n"), fileKeywordsShown);
            const KeywordTree& t = trees.tree(0);
            QCOMPARE(t.node(3).ForeColor,
                     std::optional<Color>(fileKeywordsShown ? kColors.fileSelect : kColors.defaultSelect));
            QVERIFY(t.node(3).Bold);
            // An unticked keyword node as built is painted normal; an unticked value is not painted.
            QCOMPARE(t.node(1).ForeColor, std::optional<Color>(kColors.normal));
            QCOMPARE(t.node(2).ForeColor, std::optional<Color>());
        }
    }

    void displayShapes_data() {
        // The three trees' shapes with " | " between them.
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shapes");
        const auto row = [](const char* name, const char* bytes, const char* shapes) {
            QTest::newRow(name) << QByteArray(bytes) << QString::fromLatin1(shapes);
        };
        row("empty list", "", " |  | ");
        row("values follow their keyword's column, one keyword in two columns",
            "[A], 1\r\nx\r\n[B], 0\r\ny\r\n[A], 2\r\nz\r\n", "[B] y | [A] x | [A] z");
        row("REMOVE gives no node, Remove is a value", "[A], 0\r\nx\r\nREMOVE\r\nRemove\r\n", "[A] x Remove |  | ");
        row("column out of range or missing goes to 0", "[B], 1\r\nx\r\n[A], 7\r\ny\r\n[C]", "[A] y [C] | [B] x | ");
        row("values before the first keyword are not shown", "x\r\n\r\n[A], 1\r\ny\r\n", " | [A] y | ");
        row("remembered spacer text ticks nothing", "[A], 0\r\n\r\n<SelectedValues>\r\n                    \r\n",
            "[A] _ |  | ");
    }

    void displayShapes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shapes);
        const KeywordTrees trees = displayed(listFrom(bytesOf(bytes)));
        QCOMPARE(shape(trees.tree(0)) + " | " + shape(trees.tree(1)) + " | " + shape(trees.tree(2)), shapes);
    }

    void duplicateKeywordKeepsValuesTogether() {
        const KeywordTrees trees =
            displayed(listFrom("[A], 0\r\na1\r\n[B], 0\r\nb1\r\n[A], 0\r\na2\r\n[C], 0\r\nc1\r\n"));
        const KeywordTree& t = trees.tree(0);
        QCOMPARE(shape(t), QStringLiteral("[A] a1 a2 [B] b1 [C] c1"));
        QCOMPARE(t.node(3).Parent, 1L);
        QCOMPARE(q(t.node(3).Tag), QStringLiteral("6"));
        QCOMPARE(t.node(5).Parent, 4L);
        QCOMPARE(t.findKey("[C]"), 6L);
        QCOMPARE(t.findKey("[D]"), 0L);
    }

    void nodeCheckRules_data() {
        // Steps tick node n, or untick it when negative; tree 0 is "[A] a1 a2 [B] b1 _ b2".
        QTest::addColumn<QList<long>>("steps");
        QTest::addColumn<QString>("tree0");
        QTest::newRow("ticking a value ticks its keyword") << QList<long>{3} << "[A]* a1 a2* [B] b1 _ b2";
        QTest::newRow("unticking the value leaves the keyword") << QList<long>{3, -3} << "[A]* a1 a2 [B] b1 _ b2";
        QTest::newRow("unticking the keyword leaves its values") << QList<long>{2, 3, -1} << "[A] a1* a2* [B] b1 _ b2";
        QTest::newRow("ticking a keyword ticks no value") << QList<long>{4} << "[A] a1 a2 [B]* b1 _ b2";
        QTest::newRow("a spacer can be ticked") << QList<long>{6} << "[A] a1 a2 [B]* b1 _* b2";
    }

    void nodeCheckRules() {
        QFETCH(QList<long>, steps);
        QFETCH(QString, tree0);
        // Ticks from a file are shown; a user's click still paints in the default select colour.
        KeywordTrees trees = displayed(listFrom(kThree), true);
        for (const long step : steps)
            trees.nodeCheck(0, step > 0 ? step : -step, step > 0, kColors);
        const long last = steps.back() > 0 ? steps.back() : -steps.back();
        const KeywordTree& t = trees.tree(0);
        QCOMPARE(shape(t), tree0);
        QVERIFY(t.node(last).Selected);
        for (long n = 1; n <= t.count(); ++n) {
            // Every ticked node is bold in the default select colour; every unticked one is not bold.
            QCOMPARE(t.node(n).Bold, t.node(n).Checked);
            if (t.node(n).Checked)
                QCOMPARE(t.node(n).ForeColor, std::optional<Color>(kColors.defaultSelect));
        }
        // An unticked node that was clicked is painted normal.
        if (!t.node(last).Checked)
            QCOMPARE(t.node(last).ForeColor, std::optional<Color>(kColors.normal));
    }

    void filterKeepsTickedNodes() {
        KeywordList list = listFrom(kThree);
        KeywordTrees trees = displayed(list);
        trees.nodeCheck(0, findNode(trees.tree(0), "b2", "[B]"), true, kColors);
        trees.nodeCheck(1, findNode(trees.tree(1), "c1", "[C]"), true, kColors);
        trees.nodeCheck(0, findNode(trees.tree(0), "a1", "[A]"), true, kColors);

        QVERIFY(!trees.msbShowSelectedOnly(list, kColors, true));

        QCOMPARE(shape(trees.tree(0)), QStringLiteral("[A]* a1* [B]* b2*"));
        QCOMPARE(shape(trees.tree(1)), QStringLiteral("[C]* c1*"));
        QCOMPARE(trees.tree(2).count(), 0L);
        QCOMPARE(toList(list.mstrSelectedValue, 1), (QStringList{"[A]", "a1", "[B]", "b2", "[C]", "c1"}));
        QCOMPARE(list.mlngSelectedValueCount, 6L);
        for (int c = 0; c < 2; ++c) {
            for (long n = 1; n <= trees.tree(c).count(); ++n) {
                const TreeNode& node = trees.tree(c).node(n);
                QVERIFY(node.Tag.empty() && node.Bold && node.Expanded);
                QCOMPARE(node.ForeColor, std::optional<Color>(kColors.fileSelect));
            }
        }
        QCOMPARE(trees.tree(0).node(4).Parent, 3L);

        // Switching the filter off brings the full trees back with the remembered ticks.
        trees.msbDisplayKeywords(list, kColors, false);
        QCOMPARE(shape(trees.tree(0)), QStringLiteral("[A]* a1* a2 [B]* b1 _ b2*"));
    }

    void deleteRenumbersLaterNodes() {
        KeywordList list = listFrom(kThree);
        KeywordTrees trees = displayed(list);
        trees.select(0, findNode(trees.tree(0), "a1", "[A]"));
        QCOMPARE(trees.deleteSelected(0, list), 1);
        QCOMPARE(q(list.mstrListEntry[2]), QString::fromLatin1(kRemovedEntry));
        const KeywordTree& t = trees.tree(0);
        QCOMPARE(shape(t), QStringLiteral("[A] a2 [B] b1 _ b2"));
        QCOMPARE(t.node(4).Parent, 3L);
        QCOMPARE(t.findKey("[B]"), 3L);
        for (long n = 1; n <= t.count(); ++n)
            QVERIFY(!t.node(n).Selected);
        // A value added after the removal still lands under its keyword.
        trees.tree(0).addValue(1, "a3");
        QCOMPARE(shape(t), QStringLiteral("[A] a2 a3 [B] b1 _ b2"));
        QCOMPARE(t.findKey("[B]"), 4L);

        // The list's last entry can be deleted too.
        trees.select(1, findNode(trees.tree(1), "c1", "[C]"));
        QCOMPARE(trees.deleteSelected(1, list), 1);
        QCOMPARE(q(list.mstrListEntry[9]), QString::fromLatin1(kRemovedEntry));
    }
};

QTEST_GUILESS_MAIN(TestKeywordTree)
#include "test_keywordtree.moc"
