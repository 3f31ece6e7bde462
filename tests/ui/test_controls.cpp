#include "testsupport.h"
#include "ui/controls.h"
#include "ui/messageboxes.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

using namespace tagmere::ui;

namespace {
QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QStringList itemTexts(const QTreeWidget& tree) {
    QStringList texts;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(&tree)); *it; ++it)
        texts.append((*it)->text(0));
    return texts;
}
} // namespace

class TestControls : public QObject {
    Q_OBJECT
private slots:
    void messageTextBreaksLinesAtCarriageReturn_data();
    void messageTextBreaksLinesAtCarriageReturn();
    void folderListShowsChainAndSubfolders();
    void folderListRefusesWhatIsNoFolder_data();
    void folderListRefusesWhatIsNoFolder();
    void folderListOpensOnDoubleClick();
    void driveListFindsTheRootOfAFolder();
    void comboTellsBeforeDropDown();
};

void TestControls::messageTextBreaksLinesAtCarriageReturn_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one line") << QByteArray("Please enter a filename.") << QStringLiteral("Please enter a filename.");
    QTest::newRow("carriage returns") << QByteArray("a\r\rb") << QStringLiteral("a\n\nb");
    QTest::newRow("crlf") << QByteArray("a\r\nb") << QStringLiteral("a\nb");
    QTest::newRow("single-byte text") << QByteArray("caf\xe9") << QStringLiteral("caf\u00e9");
}

void TestControls::messageTextBreaksLinesAtCarriageReturn() {
    QFETCH(QByteArray, text);
    QFETCH(QString, shown);
    QCOMPARE(MessageBoxes::displayText(tagmere::plainMessage(text.toStdString())), shown);
}

void TestControls::folderListShowsChainAndSubfolders() {
    const tagmere::test::TempFolder folder;
    folder.write("top/beta/x.ies", "");
    folder.write("top/Alpha/y.ies", "");
    folder.write("top/gamma/z.ies", "");
    folder.write("top/.hidden/h.ies", "");
    folder.write("top/file.ies", "");
    const QString top = QDir(qs(folder.path())).canonicalPath() + QStringLiteral("/top");

    FolderListBox list;
    QSignalSpy changed(&list, &FolderListBox::pathChanged);
    QVERIFY(list.setPath(top + QStringLiteral("/")));
    QCOMPARE(list.path(), top);
    QCOMPARE(changed.count(), 1);
    const QStringList expected{top + QStringLiteral("/Alpha"), top + QStringLiteral("/beta"),
                               top + QStringLiteral("/gamma")};
    QCOMPARE(list.subfolders(), expected);
    const QStringList texts = itemTexts(list);
    QCOMPARE(texts.first(), QStringLiteral("/"));
    QCOMPARE(texts.mid(texts.size() - 4), QStringList({QStringLiteral("top"), QStringLiteral("Alpha"),
                                                       QStringLiteral("beta"), QStringLiteral("gamma")}));
    QCOMPARE(list.currentItem()->text(0), QStringLiteral("top"));

    // The same folder again is no change.
    QVERIFY(list.setPath(top));
    QCOMPARE(changed.count(), 1);
}

void TestControls::folderListRefusesWhatIsNoFolder_data() {
    QTest::addColumn<QString>("relative");
    QTest::newRow("missing") << QStringLiteral("nothing-here");
    QTest::newRow("a file") << QStringLiteral("file.ies");
    QTest::newRow("empty") << QString();
}

void TestControls::folderListRefusesWhatIsNoFolder() {
    QFETCH(QString, relative);
    const tagmere::test::TempFolder folder;
    folder.write("file.ies", "");
    FolderListBox list;
    QVERIFY(list.setPath(qs(folder.path())));
    const QString before = list.path();
    QSignalSpy changed(&list, &FolderListBox::pathChanged);
    QVERIFY(!list.setPath(relative.isEmpty() ? QString() : qs(folder.path()) + QLatin1Char('/') + relative));
    QCOMPARE(list.path(), before);
    QCOMPARE(changed.count(), 0);
}

void TestControls::folderListOpensOnDoubleClick() {
    const tagmere::test::TempFolder folder;
    folder.write("one/two/a.ies", "");
    const QString one = QDir(qs(folder.path())).canonicalPath() + QStringLiteral("/one");
    FolderListBox list;
    list.resize(300, 400);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QVERIFY(list.setPath(one));
    QTreeWidgetItem* two = list.findItems(QStringLiteral("two"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
    QVERIFY(two);
    const QPoint centre = list.visualItemRect(two).center();
    // A double-click: the first click, then the second, which the system reports as a double-click.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre);
    QTRY_COMPARE(list.path(), one + QStringLiteral("/two"));
}

void TestControls::driveListFindsTheRootOfAFolder() {
    const tagmere::test::TempFolder folder;
    DriveListBox drives;
    QVERIFY(drives.count() > 0);
    const QString root = DriveListBox::driveOf(qs(folder.path()));
    QVERIFY(!root.isEmpty());
    QVERIFY(qs(folder.path()).startsWith(root));
    QSignalSpy changed(&drives, &DriveListBox::driveChanged);
    QVERIFY(drives.setDriveOf(qs(folder.path())));
    QCOMPARE(drives.drive(), root);
    QCOMPARE(changed.count(), 0); // set by the program: no drive change
}

void TestControls::comboTellsBeforeDropDown() {
    ComboBox combo;
    for (int i = 0; i < 20; ++i)
        combo.addItem(QString::number(i));
    int rowsWhenTold = -1;
    connect(&combo, &ComboBox::dropDown, &combo, [&] {
        rowsWhenTold = combo.maxVisibleItems();
        combo.setDropDownRows(12);
    });
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));
    combo.showPopup();
    QCOMPARE(rowsWhenTold, 10); // the toolkit's own until told
    QCOMPARE(combo.maxVisibleItems(), 12);
    QVERIFY(combo.view()->isVisible());
    combo.hidePopup();
    combo.setDropDownRows(0);
    QCOMPARE(combo.maxVisibleItems(), 10);
}

QTEST_MAIN(TestControls)
#include "test_controls.moc"
