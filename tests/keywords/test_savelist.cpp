// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywordtestutil.h"
#include "testsupport.h"

#include "keywords/savelist.h"

#include "core/text.h"

#include <QtTest>

#include <filesystem>

using namespace tagmere;
using namespace tagmere::test;

namespace fs = std::filesystem;

namespace {

const SelectColors kColors{0x111111, 0x0000FF, 0x00AA00};
const std::string kFactory = "OrbFactoryKeywords.txt";
const std::string kFactoryPath = std::string(TAGMERE_SOURCE_DIR) + "/data/OrbFactoryKeywords.txt";
const std::string kBlanks(20, ' ');

const std::string kThree = "[A], 0\r\na1\r\na2\r\n[B], 0\r\nb1\r\n\r\nb2\r\n[C], 1\r\nc1\r\n[D], 2\r\nd1\r\n";

struct Screen {
    KeywordList list;
    KeywordTrees trees;
};

Screen shown(const std::string& bytes) {
    Screen s;
    parseKeywordList(bytes, s.list);
    s.trees.msbDisplayKeywords(s.list, kColors, false);
    return s;
}

void tick(Screen& s, int column, const std::string& text, const std::string& parent) {
    const long n = findNode(s.trees.tree(column), text, parent);
    QVERIFY2(n != 0, text.c_str());
    s.trees.nodeCheck(column, n, true, kColors);
}

SaveListResult save(Screen& s, const std::string& name, const std::string& folder, bool answer = true,
                    int* asked = nullptr) {
    return saveKeywordList(name, folder, kFactory, s.trees, s.list, kColors, false, [&](const Message& m) {
        if (asked)
            ++*asked;
        return m.text == kOverwriteQuestion && answer;
    });
}

} // namespace

class TestSaveList : public QObject {
    Q_OBJECT

private slots:
    void roundTripKeepsEntriesAndTicks();
    void factoryListRoundTripsByteForByte();
    void refusals_data();
    void refusals();
    void existingFileAsksFirst_data();
    void existingFileAsksFirst();
    void failedSaveLeavesListAsItWas();
};

void TestSaveList::roundTripKeepsEntriesAndTicks() {
    // Written in column order whatever order the file had; a missing or bad column becomes 0.
    Screen s = shown("[C], 1\r\nc1\r\n[A], 0\r\na1\r\n\r\na2\r\n[E], 9\r\ne1\r\n[D], 2\r\nd1\r\n");
    tick(s, 0, "a2", "[A]");
    tick(s, 1, "c1", "[C]");
    tick(s, 0, "[E]", "");
    const std::string bytes = formatKeywordList(s.trees);
    QCOMPARE(q(bytes), q("[A], 0\r\na1\r\n" + kBlanks +
                         "\r\na2\r\n[E], 0\r\ne1\r\n[C], 1\r\nc1\r\n[D], 2\r\nd1\r\n"
                         "<SelectedValues>\r\n[A]\r\na2\r\n[E]\r\n[C]\r\nc1\r\n"));

    Screen back = shown(bytes);
    QVERIFY(back.trees.batchTrees() == s.trees.batchTrees());
    QCOMPARE(q(formatKeywordList(back.trees)), q(bytes));
}

void TestSaveList::factoryListRoundTripsByteForByte() {
    const std::string bytes = readBytes(kFactoryPath);
    QVERIFY(!bytes.empty());
    Screen s = shown(bytes);
    QCOMPARE(q(formatKeywordList(s.trees)), q(bytes));
}

void TestSaveList::refusals_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    const QString factory = QStringLiteral("Cannot overwrite factory keyword file. Please change name and try again.");
    const QString bad = QString::fromLatin1(kBadListNameMessage);
    QTest::newRow("factory name") << "OrbFactoryKeywords" << factory;
    QTest::newRow("parent folder") << "../evil" << bad;
    QTest::newRow("subfolder") << "sub/x" << bad;
    QTest::newRow("absolute path") << "/tmp/x" << bad;
    QTest::newRow("backslash") << "a\\b" << bad;
    QTest::newRow("two dots") << ".." << bad;
    QTest::newRow("two dots inside") << "a..b" << bad;
    QTest::newRow("hidden name") << ".hidden" << bad;
}

void TestSaveList::refusals() {
    QFETCH(QString, name);
    QFETCH(QString, message);
    TempFolder outer;
    const std::string folder = outer.file("keywords");
    fs::create_directories(folder + "/sub");
    Screen s = shown(kThree);
    tick(s, 0, "a1", "[A]");
    QVERIFY(!s.trees.msbShowSelectedOnly(s.list, kColors, false));
    int asked = 0;

    const SaveListResult result = save(s, name.toStdString(), folder, true, &asked);

    QCOMPARE(result.messages.size(), size_t(1));
    QCOMPARE(q(result.messages[0].text), message);
    QCOMPARE(result.messages[0].icon, MessageIcon::Exclamation);
    QCOMPARE(result.messages[0].buttons, MessageButtons::Ok);
    QCOMPARE(asked, 0);
    QVERIFY(!result.wrote);
    QCOMPARE(q(result.savedTitle), QString());
    // Nothing written anywhere.
    QCOMPARE(toList(listFolder(outer.path())), QStringList{"keywords"});
    QCOMPARE(toList(listFolder(folder)), QStringList{"sub"});
    QCOMPARE(toList(listFolder(folder + "/sub")), QStringList());
    // The ticks were collected and the trees rebuilt in full all the same.
    QVERIFY(result.rebuilt);
    QCOMPARE(toList(s.list.mstrSelectedValue, 1), (QStringList{"[A]", "a1"}));
    QCOMPARE(ticks(s.trees.tree(0)), (QStringList{"[A]*", "a1*", "a2", "[B]", "b1", QString(20, ' '), "b2"}));
}

void TestSaveList::existingFileAsksFirst_data() {
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("noAskFunction");
    QTest::newRow("yes overwrites") << true << false;
    QTest::newRow("no keeps the file") << false << false;
    QTest::newRow("no way to ask keeps the file") << true << true;
}

void TestSaveList::existingFileAsksFirst() {
    QFETCH(bool, answer);
    QFETCH(bool, noAskFunction);
    TempFolder folder;
    const std::string path = folder.write("mine.txt", "old");
    Screen s = shown(kThree);

    int asked = 0;
    const SaveListResult result =
        noAskFunction ? saveKeywordList("mine", folder.path(), kFactory, s.trees, s.list, kColors, false, {})
                      : save(s, "mine", folder.path(), answer, &asked);

    QCOMPARE(result.messages.size(), size_t(1));
    QCOMPARE(result.messages[0], question("Keyword file already exists, do you want to overwrite?"));
    QCOMPARE(result.messages[0].icon, MessageIcon::Question);
    QCOMPARE(result.messages[0].buttons, MessageButtons::YesNo);
    QCOMPARE(asked, noAskFunction ? 0 : 1);
    const bool wrote = answer && !noAskFunction;
    QCOMPARE(result.wrote, wrote);
    QCOMPARE(q(readBytes(path)), wrote ? q(formatKeywordList(s.trees)) : QStringLiteral("old"));
    QCOMPARE(q(result.savedTitle), wrote ? QStringLiteral("mine") : QString());
}

void TestSaveList::failedSaveLeavesListAsItWas() {
    TempFolder folder;
    const std::string path = folder.write("locked.txt", "old list");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    Screen s = shown(kThree);

    const SaveListResult result = save(s, "locked", folder.path(), true);

    QCOMPARE(result.messages.size(), size_t(2));
    QCOMPARE(result.messages[0].text, std::string(kOverwriteQuestion));
    QVERIFY2(startsWith(result.messages[1].text, "Unable to save keyword file: "), result.messages[1].text.c_str());
    QVERIFY(result.messages[1].text.size() > std::string("Unable to save keyword file: ").size());
    QCOMPARE(result.messages[1].icon, MessageIcon::Exclamation);
    QVERIFY(!result.wrote);
    QCOMPARE(q(result.savedTitle), QString());
    QCOMPARE(q(readBytes(path)), QStringLiteral("old list"));
    QCOMPARE(toList(listFolder(folder.path())), QStringList{"locked.txt"});
}

QTEST_GUILESS_MAIN(TestSaveList)
#include "test_savelist.moc"
