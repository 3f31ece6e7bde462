// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings.h"
#include "files/journal.h"
#include "testsupport.h"

#include <QTest>

using tagmere::app::Setting;

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    // A stored number the journal cannot use gives the default: 0 would remove every run,
    // the one just made too.
    void runsKeptTakesOnlyAUsableNumber_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("kept");
        QTest::newRow("absent") << QString() << tagmere::kDefaultRunsKept;
        QTest::newRow("a number") << QStringLiteral("5") << 5;
        QTest::newRow("the most") << QStringLiteral("10000") << 10000;
        QTest::newRow("zero") << QStringLiteral("0") << tagmere::kDefaultRunsKept;
        QTest::newRow("negative") << QStringLiteral("-3") << tagmere::kDefaultRunsKept;
        QTest::newRow("too many") << QStringLiteral("10001") << tagmere::kDefaultRunsKept;
        QTest::newRow("not a number") << QStringLiteral("many") << tagmere::kDefaultRunsKept;
    }
    void runsKeptTakesOnlyAUsableNumber() {
        QFETCH(QString, stored);
        QFETCH(int, kept);
        const tagmere::test::TempFolder folder;
        tagmere::app::Settings settings(QStringLiteral("App"), QStringLiteral("Values"),
                                        QString::fromStdString(folder.path()));
        if (!stored.isNull())
            settings.writeText(Setting::JournalKeep, stored);
        QCOMPARE(tagmere::app::runsKept(settings), kept);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
