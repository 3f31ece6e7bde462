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
    void splitItems_data();
    void splitItems();
    void parse_data();
    void parse();
    void column_data();
    void column();
    void readMissingFileGivesEmptyListAndMessage_data();
    void readMissingFileGivesEmptyListAndMessage();
    void loadComposesPathFromFolderAndName();
    void fileTitle_data();
    void fileTitle();
    void isFileName_data();
    void isFileName();
    void listFilesForChooser();
    void factoryListLoads();
};

void TestKeywordList::splitItems_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("empty data") << QByteArray() << QStringList();
    QTest::newRow("one item, no line end") << QByteArray("a") << QStringList{"a"};
    QTest::newRow("closing line end gives no item") << QByteArray("a\r\n") << QStringList{"a"};
    QTest::newRow("comma separates") << QByteArray("a,b\r\n") << QStringList{"a", "b"};
    QTest::newRow("comma ending a line") << QByteArray("a,\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("comma ending the data") << QByteArray("a,") << QStringList{"a", ""};
    QTest::newRow("two adjacent commas") << QByteArray("a,,b") << QStringList{"a", "", "b"};
    QTest::newRow("empty line") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("line of blanks") << QByteArray("     \r\n") << QStringList{""};
    QTest::newRow("lone LF ends lines") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("lone CR ends lines") << QByteArray("a\rb\r") << QStringList{"a", "b"};
    QTest::newRow("CR LF then LF is an empty line") << QByteArray("a\r\n\nb") << QStringList{"a", "", "b"};
    QTest::newRow("LF then CR are two line ends") << QByteArray("\n\r") << QStringList{"", ""};
    QTest::newRow("leading blanks skipped") << QByteArray("   LED") << QStringList{"LED"};
    QTest::newRow("trailing blanks dropped") << QByteArray("LED   ,CFL  \r\n") << QStringList{"LED", "CFL"};
    QTest::newRow("inner blanks kept") << QByteArray("WALL WASH") << QStringList{"WALL WASH"};
    QTest::newRow("unquoted comma splits") << QByteArray("LED, CFL") << QStringList{"LED", "CFL"};
    QTest::newRow("quoted comma kept") << QByteArray("\"LED, CFL\"") << QStringList{"LED, CFL"};
    QTest::newRow("quoted blanks kept") << QByteArray("  \"  a  \"") << QStringList{"  a  "};
    QTest::newRow("text after closing quote dropped") << QByteArray("\"a\" junk, b") << QStringList{"a", "b"};
    QTest::newRow("open quote ends at line end") << QByteArray("\"abc, d\r\nx") << QStringList{"abc, d", "x"};
    QTest::newRow("quote inside unquoted item") << QByteArray("ab\"c,d") << QStringList{"ab\"c", "d"};
    QTest::newRow("empty quoted item") << QByteArray("\"\",b") << QStringList{"", "b"};
    QTest::newRow("tab is not a blank") << QByteArray("\tLED") << QStringList{"\tLED"};
    QTest::newRow("binary bytes survive")
        << QByteArray("\x01\xff,z\0y", 6)
        << QStringList{QString::fromLatin1("\x01\xff"), QString::fromLatin1("z\0y", 3)};
}

void TestKeywordList::splitItems() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, items);
    QCOMPARE(toList(splitListItems(bytesOf(bytes))), items);
}

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
    QTest::newRow("keyword without blank")
        << QByteArray("[MANUFAC],1\r\n") << QStringList{"[MANUFAC]"} << QStringList{"1"} << QStringList();
    QTest::newRow("column on the next line")
        << QByteArray("[A]\r\n2\r\nx\r\n") << QStringList{"[A]", "x"} << QStringList{"2"} << QStringList();
    QTest::newRow("two values on one line") << QByteArray("[A], 0\r\nLED, CFL\r\n") << QStringList{"[A]", "LED", "CFL"}
                                            << QStringList{"0"} << QStringList();
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
    QTest::newRow("leading blanks of a value are lost")
        << QByteArray("[A], 0\r\n   LED\r\n") << QStringList{"[A]", "LED"} << QStringList{"0"} << QStringList();
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

void TestKeywordList::column_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("column");
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("2") << "2" << 2;
    QTest::newRow("blanks around") << " 2 " << 2;
    QTest::newRow("leading zero") << "01" << 1;
    QTest::newRow("3 is out of range") << "3" << 0;
    QTest::newRow("negative") << "-1" << 0;
    QTest::newRow("decimal") << "1.0" << 0;
    QTest::newRow("missing") << "" << 0;
    QTest::newRow("huge number") << "99999999999999999999999" << 0;
}

void TestKeywordList::column() {
    QFETCH(QString, item);
    QFETCH(int, column);
    QCOMPARE(keywordColumn(item.toStdString()), column);
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

void TestKeywordList::loadComposesPathFromFolderAndName() {
    TempFolder folder;
    folder.write("my list.txt", "[A], 2\r\nx\r\n<SelectedValues>\r\nx\r\n");
    KeywordList list;
    const ListLoadResult result = msbLoadKeywordFile(folder.path(), "my list", list);
    QVERIFY(result.ok);
    QCOMPARE(q(result.message.text), QString());
    QCOMPARE(toList(list.mstrListEntry, 1), (QStringList{"[A]", "x"}));
    QCOMPARE(toList(list.mstrSelectedValue, 1), QStringList{"x"});
    QCOMPARE(q(keywordFilePath("/k", "a.b")), QStringLiteral("/k/a.b.txt"));
}

void TestKeywordList::fileTitle_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    const auto row = [](const char* name, const char* path, const char* title) {
        QTest::newRow(name) << QString::fromLatin1(path) << QString::fromLatin1(title);
    };
    row("slash path", "/lists/OrbFactoryKeywords.txt", "OrbFactoryKeywords");
    row("backslash path", "C:\\Lists\\OrbFactoryKeywords.txt", "OrbFactoryKeywords");
    row("two dots", "my.list.txt", "my.list");
    row("no dot", "name", "name");
    row("only extension", ".txt", "");
    row("dot in folder only", "/a.b/name", "name");
    row("trailing dot", "name.", "name");
    row("trailing blank kept", "/k/mine .txt", "mine ");
    row("folder only", "/k/", "");
}

void TestKeywordList::fileTitle() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    const std::string argument = path.toStdString();
    QCOMPARE(q(mfnFileTitle(argument)), title);
    QCOMPARE(q(argument), path);
}

void TestKeywordList::isFileName_data() {
    QTest::addColumn<QString>("relative"); // inside the temporary folder; "" for the empty path
    QTest::addColumn<bool>("expected");
    QTest::newRow("existing file") << "list.txt" << true;
    QTest::newRow("missing file") << "other.txt" << false;
    QTest::newRow("folder") << "sub" << false;
    QTest::newRow("title empty") << ".txt" << false;
    QTest::newRow("trailing blank is part of the name") << "list.txt " << false;
    QTest::newRow("link to a file") << "link.txt" << true;
    QTest::newRow("link to a folder") << "dirlink" << false;
    QTest::newRow("dangling link") << "dangling.txt" << true;
    QTest::newRow("empty path") << "" << false;
    QTest::newRow("blank path") << "   " << false;
}

void TestKeywordList::isFileName() {
    QFETCH(QString, relative);
    QFETCH(bool, expected);
    TempFolder folder;
    folder.write("list.txt", "x");
    folder.write(".txt", "x");
    fs::create_directory(folder.file("sub"));
    fs::create_symlink(folder.file("list.txt"), folder.file("link.txt"));
    fs::create_directory_symlink(folder.file("sub"), folder.file("dirlink"));
    fs::create_symlink(folder.file("gone.txt"), folder.file("dangling.txt"));

    const std::string r = relative.toStdString();
    const std::string path = isBlank(r) ? r : folder.file(r);
    QCOMPARE(mfnIsFileName(path), expected);
}

void TestKeywordList::listFilesForChooser() {
    TempFolder folder;
    for (const char* name : {"b.txt", "A.txt", "a.txt", "my.list.txt", "upper.TXT", ".hidden.txt", "notes.md",
                             "x\\y.txt", "_under.txt", "Zed.txt"})
        folder.write(name, "x");
    fs::create_directory(folder.file("folder.txt"));
    fs::create_symlink(folder.file("b.txt"), folder.file("link.txt"));
    fs::create_symlink(folder.file("gone"), folder.file("dangling.txt"));

    const QStringList expected{"A", "a", "b", "link", "my.list", "Zed", "_under"};
    QCOMPARE(toList(listKeywordFiles(folder.path())), expected);
    QCOMPARE(toList(listKeywordFiles(folder.file("missing"))), QStringList());
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
