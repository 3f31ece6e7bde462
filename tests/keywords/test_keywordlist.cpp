// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywordtestutil.h"
#include "testsupport.h"

#include "keywords/keywordlist.h"

#include "core/text.h"

#include <QtTest>

#include <filesystem>

using namespace tagmere;
using namespace tagmere::test;

namespace fs = std::filesystem;

namespace {

const std::string kFactoryPath = std::string(TAGMERE_SOURCE_DIR) + "/data/OrbFactoryKeywords.txt";

} // namespace

class TestKeywordList : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void readMissingFileGivesEmptyListAndMessage_data();
    void readMissingFileGivesEmptyListAndMessage();
    void factoryListLoads();
};

void TestKeywordList::parse_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("columns"); // column items of the keyword entries, in order
    QTest::addColumn<QStringList>("selected");

    const QByteArray blanks(20, ' ');
    QTest::newRow("empty file") << QByteArray() << QStringList() << QStringList() << QStringList();
    QTest::newRow("no marker") << QByteArray("[A], 0\r\nx\r\n") << QStringList{"[A]", "x"} << QStringList{"0"}
                               << QStringList();
    QTest::newRow("marker first") << QByteArray("<SelectedValues>\r\n[A], 0\r\nLED\r\n") << QStringList()
                                  << QStringList() << QStringList{"[A]", "0", "LED"};
    QTest::newRow("keyword with blank") << QByteArray("[MANUFAC], 1\r\n") << QStringList{"[MANUFAC]"}
                                        << QStringList{"1"} << QStringList();
    QTest::newRow("quoted value line") << QByteArray("[A], 0\r\n\"LED, CFL\"\r\n") << QStringList{"[A]", "LED, CFL"}
                                       << QStringList{"0"} << QStringList();
    QTest::newRow("empty line is a spacer")
        << QByteArray("[A], 0\r\nLED\r\n\r\nCFL\r\n") << QStringList{"[A]", "LED", "", "CFL"} << QStringList{"0"}
        << QStringList();
    QTest::newRow("REMOVE is kept as deleted")
        << QByteArray("[A], 0\r\nREMOVE\r\nRemove\r\n") << QStringList{"[A]", "REMOVE", "Remove"} << QStringList{"0"}
        << QStringList();
    QTest::newRow("written sample") << QByteArray("[_SEARCH_SOURCETYPE], 1\r\nLED\r\n" + blanks +
                                                  "\r\nCFL\r\n<SelectedValues>\r\n[_SEARCH_SOURCETYPE]\r\nLED\r\n")
                                    << QStringList{"[_SEARCH_SOURCETYPE]", "LED", "", "CFL"} << QStringList{"1"}
                                    << QStringList{"[_SEARCH_SOURCETYPE]", "LED"};
    QTest::newRow("keyword at the very end")
        << QByteArray("[A], 1\r\n[B]") << QStringList{"[A]", "[B]"} << QStringList{"1", ""} << QStringList();
    QTest::newRow("keyword right before the marker") << QByteArray("[A]\r\n<SelectedValues>\r\n[A]\r\n")
                                                     << QStringList{"[A]"} << QStringList{""} << QStringList{"[A]"};
    QTest::newRow("any item starting with < is the marker")
        << QByteArray("[A], 0\r\n<x\r\ny\r\n") << QStringList{"[A]"} << QStringList{"0"} << QStringList{"y"};
    QTest::newRow("ticked spacer is an empty selected text")
        << QByteArray("[A], 0\r\n<SelectedValues>\r\n" + blanks + "\r\n") << QStringList{"[A]"} << QStringList{"0"}
        << QStringList{""};
    QTest::newRow("bad keywords left out with their values, and values with control bytes")
        << QByteArray("[A], 0\r\nx\r\n[, 0\r\ny\r\n[B C], 1\r\nz\r\n[MORE], 0\r\nw\r\n[D], 2\r\nv\tw\r\nok\r\n")
        << QStringList{"[A]", "x", "[D]", "ok"} << QStringList{"0", "2"} << QStringList();
    QTest::newRow("LF-only file") << QByteArray("[A], 2\nx\n<SelectedValues>\nx\n") << QStringList{"[A]", "x"}
                                  << QStringList{"2"} << QStringList{"x"};
}

void TestKeywordList::parse() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, columns);
    QFETCH(QStringList, selected);

    KeywordList list;
    list.appendEntry("left over", "2");
    list.appendSelectedValue("left over");
    parseKeywordList(bytesOf(bytes), list);

    QCOMPARE(list.mlngListEntryCount, static_cast<long>(entries.size()));
    QCOMPARE(list.mstrListEntry.size(), static_cast<size_t>(list.mlngListEntryCount + 1));
    QCOMPARE(list.mstrListColumn.size(), list.mstrListEntry.size());
    QCOMPARE(q(list.mstrListEntry[0]), QString());
    QCOMPARE(toList(list.mstrListEntry, 1), entries);
    QStringList keywordColumns;
    for (long i = 1; i <= list.mlngListEntryCount; ++i) {
        if (startsWith(list.mstrListEntry[static_cast<size_t>(i)], "["))
            keywordColumns << q(list.mstrListColumn[static_cast<size_t>(i)]);
    }
    QCOMPARE(keywordColumns, columns);
    QCOMPARE(list.mlngSelectedValueCount, static_cast<long>(selected.size()));
    QCOMPARE(list.mstrSelectedValue.size(), static_cast<size_t>(list.mlngSelectedValueCount + 1));
    QCOMPARE(toList(list.mstrSelectedValue, 1), selected);
}

void TestKeywordList::readMissingFileGivesEmptyListAndMessage_data() {
    QTest::addColumn<QString>("relative");
    QTest::newRow("missing file") << "none.txt";
    QTest::newRow("folder") << "folder.txt";
}

void TestKeywordList::readMissingFileGivesEmptyListAndMessage() {
    QFETCH(QString, relative);
    TempFolder folder;
    fs::create_directory(folder.file("folder.txt"));
    KeywordList list = listFrom("[A], 1\r\nx\r\n<SelectedValues>\r\nx\r\n");

    const ListLoadResult result = readKeywordFile(folder.file(relative.toStdString()), list);

    QVERIFY(!result.ok);
    QVERIFY2(startsWith(result.message.text, "Unable to read keyword file: "), result.message.text.c_str());
    QVERIFY(result.message.text.size() > std::string("Unable to read keyword file: ").size());
    QCOMPARE(result.message.buttons, MessageButtons::Ok);
    QCOMPARE(result.message.icon, MessageIcon::None);
    QCOMPARE(list.mlngListEntryCount, 0L);
    QCOMPARE(list.mlngSelectedValueCount, 0L);
    QCOMPARE(list.mstrListEntry.size(), size_t(1));
    QCOMPARE(list.mstrSelectedValue.size(), size_t(1));
}

void TestKeywordList::factoryListLoads() {
    KeywordList list;
    const ListLoadResult result = readKeywordFile(kFactoryPath, list);
    QVERIFY2(result.ok, result.message.text.c_str());
    QCOMPARE(list.mlngSelectedValueCount, 0L);

    const std::string bytes = readBytes(kFactoryPath);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const bool crlf = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
        if (bytes[i] == '\r')
            QVERIFY2(crlf, "every line ends in CR LF");
        if (bytes[i] == '\n')
            QVERIFY2(i > 0 && bytes[i - 1] == '\r', "every line ends in CR LF");
    }
    QVERIFY(!bytes.empty() && startsWith(bytes.substr(bytes.size() - 2), "\r\n"));
    QVERIFY(contains(bytes, "\r\n<SelectedValues>\r\n"));

    int keywords = 0;
    int perColumn[3] = {0, 0, 0};
    int values = 0;
    QStringList seen;
    auto checkValues = [&]() {
        if (keywords > 0)
            QVERIFY2(values >= 6 && values <= 20, qPrintable(seen.last() + QStringLiteral(": value count")));
    };
    for (long i = 1; i <= list.mlngListEntryCount; ++i) {
        const std::string& entry = list.mstrListEntry[static_cast<size_t>(i)];
        const std::string& column = list.mstrListColumn[static_cast<size_t>(i)];
        if (startsWith(entry, "[")) {
            checkValues();
            QVERIFY2(startsWith(entry, "[_"), entry.c_str());
            QVERIFY2(column == "0" || column == "1" || column == "2", entry.c_str());
            QVERIFY2(!seen.contains(q(entry)), entry.c_str());
            seen << q(entry);
            ++perColumn[keywordColumn(column)];
            ++keywords;
            values = 0;
        } else {
            QVERIFY2(keywords > 0, "no value before the first keyword");
            QVERIFY2(entry != kRemovedEntry, "no deleted entry");
            if (!entry.empty())
                ++values;
        }
    }
    checkValues();
    QVERIFY2(keywords >= 12 && keywords <= 18, qPrintable(QString::number(keywords)));
    for (int c : perColumn)
        QVERIFY(c > 0);
}

QTEST_GUILESS_MAIN(TestKeywordList)
#include "test_keywordlist.moc"
