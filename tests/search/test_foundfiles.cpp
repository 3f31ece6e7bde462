#include "search/foundfiles.h"
#include "testsupport.h"

#include <QtTest>

#include <cstdio>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>

using namespace tagmere;

namespace {

QString q(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<int>(s.size()));
}

FoundFileItem makeItem(const std::string& folder, const std::string& name) {
    return FoundFileItem(name, std::make_shared<const std::string>(folder));
}

FoundFilesList threeItems() {
    FoundFilesList list;
    list.add(makeItem("/a/", "one.ies"));
    list.add(makeItem("/a/b/", "two.ies"));
    list.add(makeItem("/", "three.ies"));
    return list;
}

// "1:C" for item 1 checked, "1:-" for unchecked, with "S" added when selected.
QString states(const FoundFilesList& list) {
    QStringList parts;
    for (int i = 1; i <= list.count(); ++i) {
        const auto& it = list.item(i);
        parts << QStringLiteral("%1:%2%3")
                     .arg(i)
                     .arg(it.Checked ? QStringLiteral("C") : QStringLiteral("-"))
                     .arg(it.Selected ? QStringLiteral("S") : QString());
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestFoundFiles : public QObject {
    Q_OBJECT

private slots:
    void dateReadOnDemand();
    void insertionOrderOneBased();
    void outOfRange_data();
    void outOfRange();
    void checkOperations_data();
    void checkOperations();
    void selection();
    void fullPath();
    void folderWithSlash_data();
    void folderWithSlash();
    void countText_data();
    void countText();
    void dateText_data();
    void dateText();
    void dateTextOfTimeStamp();
};

void TestFoundFiles::dateReadOnDemand() {
    tagmere::test::TempFolder temp;
    const std::string path = temp.write("lamp.ies", "IESNA:LM-63-2002\r\n");
    struct timespec times[2] = {};
    times[0].tv_sec = 1700000000;
    times[1] = times[0];
    QCOMPARE(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);

    const FoundFileItem item = makeItem(temp.path() + "/", "lamp.ies");
    std::time_t time = 0;
    QVERIFY(item.modified(time));
    QCOMPARE(time, std::time_t(1700000000));
    QCOMPARE(q(item.SubItems(1)), q(dateTimeText(std::time_t(1700000000))));

    // Once read, the date stays, also when the file goes away.
    std::remove(path.c_str());
    QCOMPARE(q(item.SubItems(1)), q(dateTimeText(std::time_t(1700000000))));

    const FoundFileItem gone = makeItem(temp.path() + "/", "lamp.ies");
    QVERIFY(!gone.modified(time));
    QCOMPARE(q(gone.SubItems(1)), QString());

    FoundFileItem given = makeItem(temp.path() + "/", "lamp.ies");
    given.setModified(86400);
    QVERIFY(given.modified(time));
    QCOMPARE(time, std::time_t(86400));
}

void TestFoundFiles::insertionOrderOneBased() {
    FoundFilesList list;
    QVERIFY(list.empty());
    QCOMPARE(list.add(makeItem("/x/", "b.ies")), 1);
    QCOMPARE(list.add(makeItem("/x/", "a.ies")), 2);
    QCOMPARE(list.count(), 2);
    QCOMPARE(q(list.item(1).Text), QStringLiteral("b.ies"));
    QCOMPARE(q(list.item(2).Text), QStringLiteral("a.ies"));
}

void TestFoundFiles::outOfRange_data() {
    QTest::addColumn<int>("index");
    QTest::newRow("zero") << 0;
    QTest::newRow("past the end") << 4;
    QTest::newRow("negative") << -1;
}

void TestFoundFiles::outOfRange() {
    QFETCH(int, index);
    FoundFilesList list = threeItems();
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.item(index));
    const FoundFilesList& constList = list;
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, constList.item(index));
}

void TestFoundFiles::checkOperations_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("items");
    QTest::addColumn<QString>("expected");

    QTest::newRow("uncheck all") << "uncheck" << 3 << "1:- 2:- 3:-";
    QTest::newRow("uncheck then check all") << "uncheck,check" << 3 << "1:C 2:C 3:C";
    QTest::newRow("check all keeps the selection") << "uncheck,select2,check" << 3 << "1:C 2:CS 3:C";
    QTest::newRow("deselect keeps the checks") << "select1,select3,uncheck,deselect" << 3 << "1:- 2:- 3:-";
    QTest::newRow("check all on an empty list") << "check" << 0 << "";
    QTest::newRow("uncheck all on an empty list") << "uncheck" << 0 << "";
}

void TestFoundFiles::checkOperations() {
    QFETCH(QString, operation);
    QFETCH(int, items);
    QFETCH(QString, expected);

    FoundFilesList list = items > 0 ? threeItems() : FoundFilesList();
    for (const QString& op : operation.split(QLatin1Char(','))) {
        if (op == QLatin1String("check"))
            list.checkAll();
        else if (op == QLatin1String("uncheck"))
            list.uncheckAll();
        else if (op == QLatin1String("deselect"))
            list.deselectAll();
        else if (op.startsWith(QLatin1String("select")))
            list.setSelected(op.mid(6).toInt(), true);
    }
    QCOMPARE(list.count(), items);
    QCOMPARE(states(list), expected);
}

void TestFoundFiles::selection() {
    FoundFilesList list = threeItems();
    QVERIFY(list.selectedIndexes().empty());
    list.setSelected(3, true);
    list.setSelected(1, true);
    QCOMPARE(list.selectedIndexes(), (std::vector<int>{1, 3}));
    list.setSelected(3, false);
    QCOMPARE(list.selectedIndexes(), (std::vector<int>{1}));
    list.deselectAll();
    QVERIFY(list.selectedIndexes().empty());
}

void TestFoundFiles::fullPath() {
    FoundFilesList list = threeItems();
    QCOMPARE(q(list.item(2).fullPath()), QStringLiteral("/a/b/two.ies"));
    QCOMPARE(q(list.fullPath(3)), QStringLiteral("/three.ies"));
    QCOMPARE(q(FoundFileItem().fullPath()), QString());
}

void TestFoundFiles::folderWithSlash_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("root") << QStringLiteral("/") << QStringLiteral("/");
    QTest::newRow("plain folder") << QStringLiteral("/data") << QStringLiteral("/data/");
    QTest::newRow("already ends in a slash") << QStringLiteral("/data/") << QStringLiteral("/data/");
    QTest::newRow("several slashes") << QStringLiteral("/data///") << QStringLiteral("/data/");
    QTest::newRow("slashes only") << QStringLiteral("//") << QStringLiteral("/");
    QTest::newRow("relative") << QStringLiteral("lamps") << QStringLiteral("lamps/");
    QTest::newRow("empty") << QString() << QString();
}

void TestFoundFiles::folderWithSlash() {
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(q(tagmere::folderWithSlash(folder.toStdString())), expected);
}

void TestFoundFiles::countText_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("text");

    QTest::newRow("nothing found") << 0 << "0";
    QTest::newRow("one") << 1 << " 1";
    QTest::newRow("many") << 100000 << " 100000";
}

void TestFoundFiles::countText() {
    QFETCH(int, count);
    QFETCH(QString, text);
    QCOMPARE(q(foundCountText(count)), text);
}

void TestFoundFiles::dateText_data() {
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");
    QTest::addColumn<QString>("text");

    QTest::newRow("afternoon") << 2024 << 3 << 7 << 14 << 5 << 9 << "2024-03-07 14:05:09";
    QTest::newRow("midnight leaves the time out") << 2024 << 12 << 31 << 0 << 0 << 0 << "2024-12-31";
    QTest::newRow("one second past midnight") << 2001 << 1 << 1 << 0 << 0 << 1 << "2001-01-01 00:00:01";
    QTest::newRow("noon") << 1999 << 6 << 15 << 12 << 0 << 0 << "1999-06-15 12:00:00";
}

void TestFoundFiles::dateText() {
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(int, second);
    QFETCH(QString, text);

    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    QCOMPARE(q(dateTimeText(local)), text);
}

void TestFoundFiles::dateTextOfTimeStamp() {
    // A local midnight and a time during that day, whatever the machine's time zone.
    std::tm local{};
    local.tm_year = 2020 - 1900;
    local.tm_mon = 1;
    local.tm_mday = 29;
    local.tm_isdst = -1;
    const std::time_t midnight = std::mktime(&local);
    QCOMPARE(q(dateTimeText(midnight)), QStringLiteral("2020-02-29"));
    QCOMPARE(q(dateTimeText(midnight + 3661)), QStringLiteral("2020-02-29 01:01:01"));
}

QTEST_GUILESS_MAIN(TestFoundFiles)
#include "test_foundfiles.moc"
