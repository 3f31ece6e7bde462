// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywordtestutil.h"
#include "testsupport.h"

#include "format/text.h"

#include <QtTest>

using namespace tagmere;
using namespace tagmere::test;

namespace {

// Lists written as "|"-separated items; "" is the empty list.
QStringList items(const char* text) {
    return *text ? QString::fromLatin1(text).split(QLatin1Char('|')) : QStringList();
}

void row(const char* name, const QByteArray& bytes, const char* entries, const char* selected) {
    QTest::newRow(name) << bytes << items(entries) << items(selected);
}

} // namespace

class TestKeywordList : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries"); // a keyword entry as "[KEY]=column item"
        QTest::addColumn<QStringList>("selected");

        const QByteArray blanks(20, ' ');
        row("empty file", "", "", "");
        row("marker first", "<SelectedValues>\r\n[A], 0\r\nLED\r\n", "", "[A]|0|LED");
        row("quoted value, empty line a spacer, REMOVE kept as deleted",
            "[A], 0\r\n\"LED, CFL\" x\r\n\r\nREMOVE\r\nRemove\r\n", "[A]=0|LED, CFL||REMOVE|Remove", "");
        row("written sample",
            "[_SEARCH_SOURCETYPE], 1\r\nLED\r\n" + blanks +
                "\r\nCFL\r\n<SelectedValues>\r\n[_SEARCH_SOURCETYPE]\r\nLED\r\n",
            "[_SEARCH_SOURCETYPE]=1|LED||CFL", "[_SEARCH_SOURCETYPE]|LED");
        row("keyword right before the marker, any item starting with < is it, LF-only lines, a ticked spacer",
            "[A]\n<x\n" + blanks + "\ny\n", "[A]=", "|y");
        row("bad keywords left out with their values, values with control bytes too; keyword at the very end",
            "[A], 0\r\nx\r\n[, 0\r\ny\r\n[B C], 1\r\nz\r\n[MORE], 0\r\nw\r\n[D], 2\r\nv\tw\r\nok\r\n",
            "[A]=0|x|[D]=2|ok", "");
    }

    void parse() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, selected);

        KeywordList list;
        list.appendEntry("left over", "2");
        list.appendSelectedValue("left over");
        parseKeywordList(bytesOf(bytes), list);

        // Element 0 of each array stays empty; the counts match the arrays.
        QCOMPARE(list.mstrListColumn.size(), list.mstrListEntry.size());
        QStringList shown;
        for (size_t i = 0; i < list.mstrListEntry.size(); ++i) {
            const std::string& entry = list.mstrListEntry[i];
            shown << q(entry) + (startsWith(entry, "[") ? QLatin1Char('=') + q(list.mstrListColumn[i]) : QString());
        }
        QCOMPARE(shown, QStringList{QString()} + entries);
        QCOMPARE(list.mlngListEntryCount, static_cast<long>(entries.size()));
        QCOMPARE(toList(list.mstrSelectedValue), QStringList{QString()} + selected);
        QCOMPARE(list.mlngSelectedValueCount, static_cast<long>(selected.size()));
    }

    void onlyVisibleTxtFilesAreLists() {
        TempFolder folder;
        for (const char* name : {"b.txt", "A.txt", ".hidden.txt", "notes.md", ".txt", "back\\slash.txt"})
            folder.write(name, "");
        QCOMPARE(toList(listKeywordFiles(folder.path())), (QStringList{"A", "b"}));
    }

    // What was left out is named, control bytes written so that the message shows them.
    void leftOutEntriesAreNamed() {
        TempFolder folder;
        const std::string path = folder.write("l.txt", "[A], 0\r\nok\r\nv\tw\r\n[B C], 0\r\nx\x7f\r\n");
        KeywordList list;
        const ListLoadResult result = readKeywordFile(path, list);
        QVERIFY(result.ok && result.value);
        const std::string& text = result.value->text;
        QVERIFY2(text.find("\r\rv\\x09w\r[B C]\rx\\x7F") != std::string::npos, text.c_str());
    }

    void unreadableFileGivesEmptyListAndMessage() {
        TempFolder folder;
        KeywordList list = listFrom("[A], 1\r\nx\r\n<SelectedValues>\r\nx\r\n");

        const ListLoadResult result = readKeywordFile(folder.path(), list);

        QVERIFY(!result.ok && startsWith(result.description, "Unable to read keyword file: "));
        QCOMPARE(list.mstrListEntry.size() + list.mstrSelectedValue.size(), size_t(2));
        QCOMPARE(list.mlngListEntryCount + list.mlngSelectedValueCount, 0L);
    }
};

QTEST_GUILESS_MAIN(TestKeywordList)
#include "test_keywordlist.moc"
