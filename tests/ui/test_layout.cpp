#include "ui/layout.h"

#include <QTest>

using namespace tagmere::ui::layout;

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void designSizeIsTheTwipDesign();
    void bottomAnchoredControls_data();
    void bottomAnchoredControls();
    void dropDownRows_data();
    void dropDownRows();
};

void TestLayout::designSizeIsTheTwipDesign() {
    QCOMPARE(kFormWidth * kTwipsPerPixel, 15120);
    QCOMPARE(kFormMinHeight * kTwipsPerPixel, 10455);
    QCOMPARE(twipsToPixels(315), 21);
    QCOMPARE(twipsToPixels(3732), 249);
}

void TestLayout::bottomAnchoredControls_data() {
    QTest::addColumn<int>("innerHeight");
    QTest::addColumn<int>("frame1");
    QTest::addColumn<int>("tree");
    QTest::addColumn<int>("showSelectedOnly");
    QTest::addColumn<int>("checkAll");
    QTest::addColumn<int>("foundFiles");
    QTest::addColumn<int>("editMode");
    QTest::addColumn<int>("view");
    QTest::addColumn<int>("nonFound");
    // At design height the controls sit where the design puts them (twips / 15); the notice
    // starts one pixel below the trees' bottom (48 + 461).
    QTest::newRow("design height") << 697 << 8115 / 15 << 6915 / 15 << 7740 / 15 << 7680 / 15 << 3975 / 15 << 10080 / 15
                                   << 10020 / 15 << 48 + 461 + 1;
    QTest::newRow("lower than the minimum") << 400 << 541 << 461 << 516 << 512 << 265 << 672 << 668 << 510;
    QTest::newRow("taller") << 900 << 744 << 664 << 719 << 715 << 468 << 875 << 871 << 713;
}

void TestLayout::bottomAnchoredControls() {
    QFETCH(int, innerHeight);
    const MainLayout l = mainLayout(innerHeight);
    QTEST(l.frame1Height, "frame1");
    QTEST(l.treeHeight, "tree");
    QTEST(l.chkShowSelectedOnlyTop, "showSelectedOnly");
    QTEST(l.cmdCheckAllTop, "checkAll");
    QTEST(l.ltvFoundFilesHeight, "foundFiles");
    QTEST(l.editModeTop, "editMode");
    QTEST(l.chkViewTop, "view");
    QTEST(l.fraNonFoundTop, "nonFound");
}

void TestLayout::dropDownRows_data() {
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("room");
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("rows");
    QTest::newRow("eight items keep the toolkit's list") << 8 << 1000 << 13 << 0;
    QTest::newRow("no items keep the toolkit's list") << 0 << 1000 << 13 << 0;
    QTest::newRow("nine items that fit") << 9 << 9 * 13 << 13 << 9;
    QTest::newRow("twenty items, room for thirty") << 20 << 30 * 13 << 13 << 20;
    QTest::newRow("twenty items, room for twelve") << 20 << 12 * 13 + 5 << 13 << 12;
    QTest::newRow("no room shows one row") << 20 << 5 << 13 << 1;
    QTest::newRow("combo below the window shows one row") << 20 << -40 << 13 << 1;
}

void TestLayout::dropDownRows() {
    QFETCH(int, items);
    QFETCH(int, room);
    QFETCH(int, rowHeight);
    QTEST(comboDropDownRows(items, room, rowHeight), "rows");
}

QTEST_GUILESS_MAIN(TestLayout)
#include "test_layout.moc"
