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

const std::string kSample = "[_SEARCH_SOURCETYPE], 1\r\nLED\r\n                    \r\nCFL\r\n"
                            "<SelectedValues>\r\n[_SEARCH_SOURCETYPE]\r\nLED\r\n";

// Two keywords in column 0, one in column 1, with a spacer; nothing remembered.
const std::string kThree = "[A], 0\r\na1\r\na2\r\n[B], 0\r\nb1\r\n\r\nb2\r\n[C], 1\r\nc1\r\n";

KeywordTrees displayed(const KeywordList& list, bool fileKeywordsShown = false) {
    KeywordTrees trees;
    trees.msbDisplayKeywords(list, kColors, fileKeywordsShown);
    return trees;
}

} // namespace

class TestKeywordTree : public QObject {
    Q_OBJECT

private slots:
    void rememberedTicksTakeColourFromFlag_data();
    void rememberedTicksTakeColourFromFlag();
    void displayShapes_data();
    void displayShapes();
    void duplicateKeywordKeepsValuesTogether();
    void nodeCheckRules_data();
    void nodeCheckRules();
    void filterKeepsTickedNodes();
    void deleteRenumbersLaterNodes();
};

void TestKeywordTree::rememberedTicksTakeColourFromFlag_data() {
    QTest::addColumn<bool>("fileKeywordsShown");
    QTest::addColumn<uint>("colour");
    QTest::newRow("ticks of the list") << false << uint(kColors.defaultSelect);
    QTest::newRow("ticks of a file") << true << uint(kColors.fileSelect);
}

void TestKeywordTree::rememberedTicksTakeColourFromFlag() {
    QFETCH(bool, fileKeywordsShown);
    QFETCH(uint, colour);
    const KeywordTrees trees = displayed(listFrom(kSample), fileKeywordsShown);
    const KeywordTree& t = trees.tree(1);
    QCOMPARE(t.node(2).ForeColor, std::optional<Color>(colour));
    QVERIFY(t.node(2).Bold);
    // An unticked keyword node as built is painted normal; an unticked value is not painted.
    const KeywordTrees plain = displayed(listFrom("[A], 0\r\nx\r\n"), fileKeywordsShown);
    QCOMPARE(plain.tree(0).node(1).ForeColor, std::optional<Color>(kColors.normal));
    QCOMPARE(plain.tree(0).node(2).ForeColor, std::optional<Color>());
}

void TestKeywordTree::displayShapes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("tree0");
    QTest::addColumn<QStringList>("tree1");
    QTest::addColumn<QStringList>("tree2");

    QTest::newRow("empty list") << QByteArray() << QStringList() << QStringList() << QStringList();
    QTest::newRow("all keywords in column 2") << QByteArray("[A], 2\r\nx\r\n[B], 2\r\ny\r\n") << QStringList()
                                              << QStringList() << QStringList{"[A]", "x", "[B]", "y"};
    QTest::newRow("REMOVE gives no node") << QByteArray("[A], 0\r\nx\r\nREMOVE\r\ny\r\n")
                                          << QStringList{"[A]", "x", "y"} << QStringList() << QStringList();
    QTest::newRow("Remove is an ordinary value")
        << QByteArray("[A], 0\r\nRemove\r\n") << QStringList{"[A]", "Remove"} << QStringList() << QStringList();
    QTest::newRow("column out of range goes to 0")
        << QByteArray("[A], 7\r\nx\r\n") << QStringList{"[A]", "x"} << QStringList() << QStringList();
    QTest::newRow("missing column at the end goes to 0")
        << QByteArray("[B], 1\r\nx\r\n[A]") << QStringList{"[A]"} << QStringList{"[B]", "x"} << QStringList();
    QTest::newRow("values before the first keyword are not shown")
        << QByteArray("x\r\n\r\n[A], 1\r\ny\r\n") << QStringList() << QStringList{"[A]", "y"} << QStringList();
    QTest::newRow("values follow their keyword's column")
        << QByteArray("[A], 1\r\nx\r\n[B], 0\r\ny\r\n") << QStringList{"[B]", "y"} << QStringList{"[A]", "x"}
        << QStringList();
    QTest::newRow("same keyword in two columns") << QByteArray("[A], 0\r\nx\r\n[A], 2\r\ny\r\n")
                                                 << QStringList{"[A]", "x"} << QStringList() << QStringList{"[A]", "y"};
    QTest::newRow("remembered spacer text ticks nothing")
        << QByteArray("[A], 0\r\n\r\n<SelectedValues>\r\n                    \r\n")
        << QStringList{"[A]", QString(20, ' ')} << QStringList() << QStringList();
}

void TestKeywordTree::displayShapes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, tree0);
    QFETCH(QStringList, tree1);
    QFETCH(QStringList, tree2);
    const KeywordTrees trees = displayed(listFrom(bytesOf(bytes)));
    QCOMPARE(ticks(trees.tree(0)), tree0);
    QCOMPARE(ticks(trees.tree(1)), tree1);
    QCOMPARE(ticks(trees.tree(2)), tree2);
}

void TestKeywordTree::duplicateKeywordKeepsValuesTogether() {
    const KeywordList list = listFrom("[A], 0\r\na1\r\n[B], 0\r\nb1\r\n[A], 0\r\na2\r\n[C], 0\r\nc1\r\n");
    const KeywordTrees trees = displayed(list);
    const KeywordTree& t = trees.tree(0);
    QCOMPARE(ticks(t), (QStringList{"[A]", "a1", "a2", "[B]", "b1", "[C]", "c1"}));
    QCOMPARE(t.node(3).Parent, 1L);
    QCOMPARE(q(t.node(3).Tag), QStringLiteral("6"));
    QCOMPARE(t.node(5).Parent, 4L);
    QCOMPARE(t.node(7).Parent, 6L);
    QCOMPARE(t.findKey("[A]"), 1L);
    QCOMPARE(t.findKey("[B]"), 4L);
    QCOMPARE(t.findKey("[C]"), 6L);
    QCOMPARE(t.findKey("[D]"), 0L);
}

void TestKeywordTree::nodeCheckRules_data() {
    // Steps "text:1" tick, "text:0" untick the node of that text (values named uniquely).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("tree0");

    QTest::newRow("ticking a value ticks its keyword")
        << QStringList{"a2:1"} << QStringList{"[A]*", "a1", "a2*", "[B]", "b1", "                    ", "b2"};
    QTest::newRow("unticking the value leaves the keyword")
        << QStringList{"a2:1", "a2:0"} << QStringList{"[A]*", "a1", "a2", "[B]", "b1", "                    ", "b2"};
    QTest::newRow("unticking the keyword leaves its values")
        << QStringList{"a1:1", "a2:1", "[A]:0"}
        << QStringList{"[A]", "a1*", "a2*", "[B]", "b1", "                    ", "b2"};
    QTest::newRow("ticking a keyword ticks no value")
        << QStringList{"[B]:1"} << QStringList{"[A]", "a1", "a2", "[B]*", "b1", "                    ", "b2"};
    QTest::newRow("a spacer can be ticked")
        << QStringList{"                    :1"}
        << QStringList{"[A]", "a1", "a2", "[B]*", "b1", "                    *", "b2"};
}

void TestKeywordTree::nodeCheckRules() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, tree0);
    // Ticks from a file are shown; a user's click still paints in the default select colour.
    KeywordTrees trees = displayed(listFrom(kThree), true);
    long last = 0;
    for (const QString& step : steps) {
        const qsizetype colon = step.lastIndexOf(':');
        const std::string text = step.left(colon).toStdString();
        const bool checked = step.mid(colon + 1) == QStringLiteral("1");
        long n = 0;
        for (long i = 1; i <= trees.tree(0).count(); ++i) {
            if (trees.tree(0).node(i).Text == text)
                n = i;
        }
        QVERIFY2(n != 0, text.c_str());
        trees.nodeCheck(0, n, checked, kColors);
        last = n;
    }
    const KeywordTree& t = trees.tree(0);
    QCOMPARE(ticks(t), tree0);
    QCOMPARE(t.selectedNode(), last);
    for (long n = 1; n <= t.count(); ++n) {
        const TreeNode& node = t.node(n);
        // Every ticked node is bold in the default select colour; every unticked one is not bold.
        QCOMPARE(node.Bold, node.Checked);
        if (node.Checked)
            QCOMPARE(node.ForeColor, std::optional<Color>(kColors.defaultSelect));
    }
    // An unticked node that was clicked is painted normal.
    if (!t.node(last).Checked)
        QCOMPARE(t.node(last).ForeColor, std::optional<Color>(kColors.normal));
}

void TestKeywordTree::filterKeepsTickedNodes() {
    KeywordList list = listFrom(kThree);
    KeywordTrees trees = displayed(list);
    trees.nodeCheck(0, findNode(trees.tree(0), "b2", "[B]"), true, kColors);
    trees.nodeCheck(1, findNode(trees.tree(1), "c1", "[C]"), true, kColors);
    trees.nodeCheck(0, findNode(trees.tree(0), "a1", "[A]"), true, kColors);

    QVERIFY(!trees.msbShowSelectedOnly(list, kColors, true));

    QCOMPARE(ticks(trees.tree(0)), (QStringList{"[A]*", "a1*", "[B]*", "b2*"}));
    QCOMPARE(ticks(trees.tree(1)), (QStringList{"[C]*", "c1*"}));
    QCOMPARE(trees.tree(2).count(), 0L);
    QCOMPARE(toList(list.mstrSelectedValue, 1), (QStringList{"[A]", "a1", "[B]", "b2", "[C]", "c1"}));
    QCOMPARE(list.mlngSelectedValueCount, 6L);
    for (int c = 0; c < 2; ++c) {
        const KeywordTree& t = trees.tree(c);
        for (long n = 1; n <= t.count(); ++n) {
            QCOMPARE(q(t.node(n).Tag), QString());
            QVERIFY(t.node(n).Bold);
            QVERIFY(t.node(n).Expanded);
            QCOMPARE(t.node(n).ForeColor, std::optional<Color>(kColors.fileSelect));
        }
    }
    QCOMPARE(trees.tree(0).node(4).Parent, 3L);

    // Switching the filter off brings the full trees back with the remembered ticks.
    trees.msbDisplayKeywords(list, kColors, false);
    QCOMPARE(ticks(trees.tree(0)), (QStringList{"[A]*", "a1*", "a2", "[B]*", "b1", "                    ", "b2*"}));
}

void TestKeywordTree::deleteRenumbersLaterNodes() {
    KeywordList list = listFrom(kThree);
    KeywordTrees trees = displayed(list);
    trees.select(0, findNode(trees.tree(0), "a1", "[A]"));
    QCOMPARE(trees.deleteSelected(0, list), 1);
    const KeywordTree& t = trees.tree(0);
    QCOMPARE(ticks(t), (QStringList{"[A]", "a2", "[B]", "b1", "                    ", "b2"}));
    QCOMPARE(t.node(2).Parent, 1L);
    QCOMPARE(t.node(4).Parent, 3L);
    QCOMPARE(t.node(6).Parent, 3L);
    QCOMPARE(t.findKey("[B]"), 3L);
    QCOMPARE(t.selectedNode(), 0L);
    // A value added after the removal still lands under its keyword.
    trees.tree(0).addValue(1, "a3");
    QCOMPARE(ticks(t), (QStringList{"[A]", "a2", "a3", "[B]", "b1", "                    ", "b2"}));
    QCOMPARE(t.findKey("[B]"), 4L);
}

QTEST_GUILESS_MAIN(TestKeywordTree)
#include "test_keywordtree.moc"
