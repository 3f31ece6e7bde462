// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/addkeywords.h"
#include "testsupport.h"

#include <QDir>
#include <QTest>

using tagmere::app::AddKeywords;
using tagmere::test::qs;

class TestAddKeywords : public QObject {
    Q_OBJECT
private slots:
    // The all-users folder on Windows; here, where no user may write one, the user's own.
    void dataFolderIsWhereTheSystemKeepsIt() {
#ifdef _WIN32
        const tagmere::test::TempFolder folder;
        qputenv("ProgramData", QByteArray::fromStdString(folder.path()));
        const QString data = QDir::fromNativeSeparators(qs(folder.path()));
#else
        const QString data = qEnvironmentVariable("XDG_DATA_HOME");
#endif
        QVERIFY(!data.isEmpty());
        QCOMPARE(tagmere::app::commonAppDataFolder(), data);
        QVERIFY(QDir(data).exists());
        QCOMPARE(qs(tagmere::app::mainGlobals().gstrKeywordFolder), data + QStringLiteral("/Calvex/OrbKeywordFiles"));
    }

    void installKeepsAnExistingList() {
        const tagmere::test::TempFolder folder;
        const AddKeywords g = tagmere::app::mainGlobals(qs(folder.path()));
        folder.write("Calvex/OrbKeywordFiles/OrbFactoryKeywords.txt", "[MINE], 0\r\nA\r\n");
        const tagmere::Result<bool> result = tagmere::app::installFactoryList(g);
        QVERIFY(result.ok);
        QVERIFY(!result.value);
        QCOMPARE(tagmere::test::readBytes(g.gstrKeywordFolder + "/OrbFactoryKeywords.txt"),
                 std::string("[MINE], 0\r\nA\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestAddKeywords)
#include "test_addkeywords.moc"
