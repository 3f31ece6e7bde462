// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/safefile.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <chrono>
#include <map>
#include <random>
#include <thread>

#include <signal.h>

using namespace tagmere;

namespace {

constexpr int kFiles = 240;
constexpr int kRounds = 30;

std::string sampleFile(int i) {
    std::string s = "IESNA:LM-63-2002\r\n[TEST] T" + std::to_string(i) +
                    "\r\n[TESTLAB] LAB\r\n[MANUFAC] Start\r\n"
                    "[LUMCAT] C" +
                    std::to_string(i) + "\r\n[MORE] continued\r\nTILT=NONE\r\n";
    for (int row = 0; row < 200; ++row)
        s += "0.0 2.5 5.0 7.5 10.0 12.5 15.0 17.5 20.0 22.5 25.0 27.5 30.0 32.5 35.0 37.5\r\n";
    return s;
}

// What `apply --manufac value` makes of sample i (the maker line moves above TILT=).
std::string expectedAfter(int i, const std::string& value) {
    const std::string sample = sampleFile(i);
    return "IESNA:LM-63-2002\r\n[TEST] T" + std::to_string(i) + "\r\n[TESTLAB] LAB\r\n[LUMCAT] C" + std::to_string(i) +
           "\r\n[MORE] continued\r\n[MANUFAC] " + value + "\r\n" + sample.substr(sample.find("TILT=NONE"));
}

} // namespace

// Kills the command-line tool at random moments while it rewrites a folder of files and
// checks that every file is always whole: its old content or its new one.
class TestCrashSafety : public QObject {
    Q_OBJECT

private slots:
    void killedRunsNeverTearFiles() {
        test::TempFolder dir;
        std::vector<std::string> paths;
        for (int i = 0; i < kFiles; ++i)
            paths.push_back(
                dir.write("lib/d" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".ies", sampleFile(i)));
        const QString cli = QStringLiteral(TAGMERE_CLI_PATH);
        const QString lib = QString::fromStdString(dir.file("lib"));

        // One uninterrupted run tells how long a run takes, so kills land inside runs.
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(
            QProcess::execute(cli, {QStringLiteral("apply"), QStringLiteral("--manufac"), QStringLiteral("M0"), lib}),
            0);
        const qint64 runMs = std::max<qint64>(timer.elapsed(), 5);

        std::mt19937 rng(20261206);
        int killedMidRun = 0;
        for (int round = 1; round <= kRounds; ++round) {
            const std::string value = "M" + std::to_string(round);
            std::map<std::string, std::pair<std::string, std::string>> allowed;
            for (int i = 0; i < kFiles; ++i)
                allowed[paths[i]] = {test::readBytes(paths[i]), expectedAfter(i, value)};

            QProcess p;
            p.start(cli, {QStringLiteral("apply"), QStringLiteral("--manufac"), QString::fromStdString(value), lib});
            QVERIFY(p.waitForStarted());
            const auto delay = std::chrono::microseconds(std::uniform_int_distribution<qint64>(0, runMs * 1000)(rng));
            std::this_thread::sleep_for(delay);
            if (p.state() == QProcess::Running) {
                ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
                ++killedMidRun;
            }
            QVERIFY(p.waitForFinished(30000));

            for (const auto& path : paths) {
                QVERIFY2(test::fileExists(path), path.c_str());
                const std::string now = test::readBytes(path);
                const auto& [before, after] = allowed[path];
                QVERIFY2(now == before || now == after, path.c_str());
            }
            // Leftover temporary files are hidden, so a search never lists them.
            QProcess find;
            find.start(cli, {QStringLiteral("find"), lib});
            QVERIFY(find.waitForFinished(30000));
            QCOMPARE(find.readAllStandardOutput().count('\n'), kFiles);
        }
        QVERIFY2(killedMidRun > kRounds / 4, "too few kills landed inside a run");

        // The next full run over the folders removes what the killed runs left.
        QCOMPARE(
            QProcess::execute(cli, {QStringLiteral("apply"), QStringLiteral("--manufac"), QStringLiteral("End"), lib}),
            0);
        for (int d = 0; d < 7; ++d) {
            for (const auto& name : test::listFolder(dir.file("lib/d" + std::to_string(d))))
                QVERIFY2(name.rfind(".~tagmere-", 0) != 0, name.c_str());
        }
        for (const auto& path : paths)
            QVERIFY(test::readBytes(path).find("[MANUFAC] End\r\nTILT=NONE") != std::string::npos);
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "test_crashsafety.moc"
