// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywordtestutil.h"
#include "testsupport.h"

#include "keywords/savelist.h"

#include "format/text.h"

#include <QtTest>

#include <filesystem>

using namespace tagmere;
using namespace tagmere::test;

namespace fs = std::filesystem;

namespace {

const SelectColors kColors{0x111111, 0x0000FF, 0x00AA00};
const std::string kFactory = "OrbFactoryKeywords.txt";
const std::string kFactoryPath = std::string(TAGMERE_SOURCE_DIR) + "/data/" + kFactory;

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

// answer: 1 Yes, 0 No, -1 no way to ask.
SaveListResult save(Screen& s, const std::string& name, const std::string& folder, int answer = 1) {
    AskFunction ask;
    if (answer >= 0)
        ask = [answer](const Message&) { return answer == 1; };
    return saveKeywordList(name, folder, kFactory, s.trees, s.list, kColors, false, ask);
}

} // namespace

class TestSaveList : public QObject {
    Q_OBJECT

private slots:
    void roundTripKeepsEntriesAndTicks() {
        // Written in column order whatever order the file had; a missing or bad column becomes 0.
        Screen s = shown("[C], 1\r\nc1\r\n[A], 0\r\na1\r\n\r\na2\r\n[E], 9\r\ne1\r\n[D], 2\r\nd1\r\n"
                         "<SelectedValues>\r\nc1\r\n[E]\r\na2\r\n[A]\r\n[C]\r\n");
        const std::string bytes = formatKeywordList(s.trees);
        QCOMPARE(q(bytes), q("[A], 0\r\na1\r\n" + std::string(20, ' ') +
                             "\r\na2\r\n[E], 0\r\ne1\r\n[C], 1\r\nc1\r\n[D], 2\r\nd1\r\n"
                             "<SelectedValues>\r\n[A]\r\na2\r\n[E]\r\n[C]\r\nc1\r\n"));

        QCOMPARE(q(formatKeywordList(shown(bytes).trees)), q(bytes));
    }

    void factoryListRoundTripsByteForByte() {
        const std::string bytes = readBytes(kFactoryPath);
        QVERIFY(!bytes.empty());
        QCOMPARE(q(formatKeywordList(shown(bytes).trees)), q(bytes));
    }

    void refusals_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        const QString bad = QString::fromLatin1(kBadListNameMessage);
        QTest::newRow("factory name") << "OrbFactoryKeywords" << QString::fromLatin1(kFactoryOverwriteMessage);
        QTest::newRow("parent folder") << "../evil" << bad;
        QTest::newRow("backslash") << "a\\b" << bad;
        QTest::newRow("two dots inside") << "a..b" << bad;
        QTest::newRow("hidden name") << ".hidden" << bad;
    }

    void refusals() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        TempFolder outer;
        const std::string folder = outer.file("keywords");
        fs::create_directories(folder);
        Screen s = shown(kThree + "<SelectedValues>\r\n[A]\r\na1\r\n");
        QVERIFY(!s.trees.msbShowSelectedOnly(s.list, kColors, false));

        const SaveListResult result = save(s, name.toStdString(), folder);

        QCOMPARE(result.messages, std::vector<Message>{warningMessage(message.toStdString())});
        QVERIFY(!result.wrote && result.savedTitle.empty());
        // Nothing written anywhere: the tree holds only the keyword folder.
        QCOMPARE(std::distance(fs::recursive_directory_iterator(outer.path()), {}), 1L);
        // The trees were rebuilt in full with the ticks all the same.
        QVERIFY(result.rebuilt);
        QCOMPARE(ticks(s.trees.tree(0)), (QStringList{"[A]*", "a1*", "a2", "[B]", "b1", QString(20, ' '), "b2"}));
    }

    void existingFileAsksFirst_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("locked");
        QTest::newRow("yes overwrites") << 1 << false;
        QTest::newRow("no keeps the file") << 0 << false;
        QTest::newRow("no way to ask keeps the file") << -1 << false;
        QTest::newRow("failed save leaves the list as it was") << 1 << true;
    }

    void existingFileAsksFirst() {
        QFETCH(int, answer);
        QFETCH(bool, locked);
        TempFolder folder;
        const std::string path = folder.write("mine.txt", "old");
        if (locked)
            fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        Screen s = shown(kThree);

        const SaveListResult result = save(s, "mine", folder.path(), answer);

        const bool wrote = answer == 1 && !locked;
        QCOMPARE(result.messages.size(), size_t(locked ? 2 : 1));
        QCOMPARE(result.messages[0], question(kOverwriteQuestion));
        if (locked)
            QVERIFY2(startsWith(result.messages[1].text, kSaveFailedPrefix), result.messages[1].text.c_str());
        QCOMPARE(result.wrote, wrote);
        QCOMPARE(q(readBytes(path)), wrote ? q(formatKeywordList(s.trees)) : QStringLiteral("old"));
        QCOMPARE(q(result.savedTitle), wrote ? QStringLiteral("mine") : QString());
        QCOMPARE(toList(listFolder(folder.path())), QStringList{"mine.txt"});
    }
};

QTEST_GUILESS_MAIN(TestSaveList)
#include "test_savelist.moc"
