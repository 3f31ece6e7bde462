// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own controls: the folder and drive lists, and the text of a message box.
#include "files/platform.h"
#include "testsupport.h"
#include "ui/controls.h"
#include "ui/messageboxes.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

using namespace tagmere::ui;

class TestControls : public QObject {
    Q_OBJECT
private slots:
    void messageTextBreaksLinesAtCarriageReturn_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("carriage returns") << QByteArray("a\r\rb") << QStringLiteral("a\n\nb");
        QTest::newRow("crlf") << QByteArray("a\r\nb") << QStringLiteral("a\nb");
        QTest::newRow("single-byte text") << QByteArray("caf\xe9") << QStringLiteral("caf\u00e9");
    }
    void messageTextBreaksLinesAtCarriageReturn() {
        QFETCH(QByteArray, text);
        QFETCH(QString, shown);
        QCOMPARE(MessageBoxes::displayText(tagmere::plainMessage(text.toStdString())), shown);
    }

    void folderList() {
        const tagmere::test::TempFolder folder;
        for (const char* name : {"top/beta/x.ies", "top/Alpha/y.ies", "top/.hidden/h.ies", "top/file.ies"})
            folder.write(name, "");
        const QString top = QDir(QString::fromStdString(folder.path())).canonicalPath() + QStringLiteral("/top");
        FolderListBox list;
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QSignalSpy changed(&list, &FolderListBox::pathChanged);

        // The chain down from the root, then the subfolders in name order, hidden ones left out.
        QVERIFY(list.setPath(top + QStringLiteral("/")));
        QCOMPARE(list.path(), top);
        QCOMPARE(list.subfolders(), QStringList({top + QStringLiteral("/Alpha"), top + QStringLiteral("/beta")}));
        QDir root(top);
        while (!root.isRoot() && root.cdUp()) {
        }
        QCOMPARE(list.topLevelItem(0)->text(0), QDir::toNativeSeparators(root.absolutePath())); // "/", "C:\\"
        QCOMPARE(list.currentItem()->text(0), QStringLiteral("top"));

        // What is no folder is refused, and the same folder again is no change.
        for (const QString& path :
             {top + QStringLiteral("/nothing-here"), top + QStringLiteral("/file.ies"), QString()})
            QVERIFY2(!list.setPath(path), qPrintable(path));
        QVERIFY(list.setPath(top));
        QCOMPARE(changed.count(), 1);

        // A double-click opens a folder: the first click, then the one the system reports as double.
        const QPoint alpha =
            list.visualItemRect(list.findItems(QStringLiteral("Alpha"), Qt::MatchExactly | Qt::MatchRecursive).value(0))
                .center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, alpha);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, alpha);
        QTRY_COMPARE(list.path(), top + QStringLiteral("/Alpha"));
    }

    // The drive list holds the root of the file system this test runs on.
    void driveListHoldsTheRoot() {
        DriveListBox drives;
        QVERIFY(drives.findText(
                    QString::fromStdString(tagmere::platform::driveLabel(QDir::rootPath().toStdString()))) >= 0);
    }

    void wrappingButtonDrawsItsCaption() {
        WrappingButton button;
        button.resize(80, 40);
        const QImage blank = button.grab().toImage();
        button.setText(QStringLiteral("Add / Replace Keywords"));
        QVERIFY(button.grab().toImage() != blank);
    }
};

QTEST_MAIN(TestControls)
#include "test_controls.moc"
