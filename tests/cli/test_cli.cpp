// SPDX-License-Identifier: GPL-3.0-or-later
// What the command-line contract (contract.py, run against the binary of every build)
// cannot hold: special files, backups, names that are no text.
#include "clitest.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

using namespace tagmere;
using Result = tagmere::test::CliResult;
using tagmere::test::readBytes;
using tagmere::test::runCli;
using tagmere::test::TempFolder;

namespace {

const std::string kSample = "IESNA:LM-63-2002\r\n[TEST] T1\r\n[MANUFAC] Old\r\nTILT=NONE\r\n1 2 3\r\n";

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    // Odd entries of a large library: each gets a clear message and stays as it was,
    // and the run goes on with the next file.
    void oddFilesAreReportedAndLeftAlone() {
        const std::string header = "IESNA:LM-63-2002\r\n[MANUFAC] Old\r\nTILT=NONE\r\n";
        for (const bool pipe : {false, true}) {
            TempFolder dir;
            const std::string odd = dir.file("odd.ies");
            if (pipe)
                ::mkfifo(odd.c_str(), 0644);
            else
                dir.write("odd.ies", header + std::string("1\0 2", 4));
            const std::string good = dir.write("good.ies", header);
            const Result r = runCli({"apply", "--manufac", "New", odd, good});
            const std::string why = pipe ? "not a regular file" : "NUL bytes";
            QVERIFY2(r.code == 1 && r.err.find("Unable to read file: " + odd + ": ") != std::string::npos &&
                         r.err.find(why) != std::string::npos,
                     why.c_str());
            QVERIFY2(readBytes(good).find("[MANUFAC] New") != std::string::npos, why.c_str());
        }
    }

    void backupsKeepPathsAndNeverOverwrite() {
        TempFolder dir;
        const std::string b = dir.write("lib/sub/b.ies", kSample);
        const std::string a = dir.write("a.ies", kSample);
        const std::string other = dir.write("other/a.ies", kSample);
        const std::string bk = dir.file("bk");
        const Result r = runCli({"apply", "--manufac", "X", "--backup", bk, dir.file("lib"), a, other});
        QCOMPARE(r.code, 0);
        QCOMPARE(readBytes(bk + "/sub/b.ies"), kSample);
        // Files named on their own keep their whole path, so same names never collide.
        QCOMPARE(readBytes(bk + a), kSample);
        QCOMPARE(readBytes(bk + other), kSample);
        // A second run keeps the first backup and adds a numbered one.
        QCOMPARE(runCli({"apply", "--manufac", "Y", "--backup", bk, dir.file("lib")}).code, 0);
        QCOMPARE(readBytes(bk + "/sub/b.ies"), kSample);
        QVERIFY(readBytes(bk + "/sub/b.ies.~1~").find("[MANUFAC] X") != std::string::npos);
        for (const std::string& bad : {std::string(), dir.file("lib"), dir.file("lib/sub/bk")}) {
            const Result refused = runCli({"apply", "--manufac", "Z", "--backup", bad, dir.file("lib")});
            QCOMPARE(refused.code, 2);
        }
        QVERIFY(readBytes(b).find("[MANUFAC] Y") != std::string::npos);
    }

    // A second run on a folder waits for the first, and says so.
    void secondRunWaitsForTheFirst() {
        TempFolder dir;
        const std::string file = dir.write("lib/a.ies", kSample);
        const int folder = ::open(dir.file("lib").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QCOMPARE(::flock(folder, LOCK_EX), 0);
        QProcess cli;
        cli.setReadChannel(QProcess::StandardError);
        cli.start(QStringLiteral(TAGMERE_CLI_PATH), {QStringLiteral("apply"), QStringLiteral("--manufac"),
                                                     QStringLiteral("X"), QString::fromStdString(file)});
        QVERIFY(cli.waitForReadyRead(10000));
        QVERIFY(cli.readAllStandardError().startsWith("tagmere-cli: waiting for another run working in "));
        QCOMPARE(readBytes(file), kSample);
        ::close(folder);
        QVERIFY(cli.waitForFinished(10000) && cli.exitCode() == 0 && readBytes(file) != kSample);
    }

    // One valid JSON object per file, whatever bytes its name and findings hold.
    void checkJson() {
        TempFolder dir;
        const std::string odd = dir.write("q\"\xe9\x01.ies", "IESNA:LM-63-1995\r\n[LAMP] \xe9\r\nTILT=NONE\r\n");
        const std::string gone = dir.file("gone.ies");
        const Result r = runCli({"check", "--format=json", odd, gone});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, std::string("2 file(s) checked, 2 with errors\n"));
        const QList<QByteArray> lines = QByteArray::fromStdString(r.out).split('\n');
        QCOMPARE(lines.size(), 3);
        QJsonParseError error;
        const QJsonObject first = QJsonDocument::fromJson(lines[0], &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(first.value("path").toString(), QString::fromLatin1(odd.c_str()));
        QCOMPARE(first.value("version").toString(), QStringLiteral("LM-63-1995"));
        const QJsonArray findings = first.value("findings").toArray();
        QCOMPARE(findings.size(), 2);
        QCOMPARE(findings[0].toObject().value("code").toString(), QStringLiteral("non-ascii"));
        QCOMPARE(findings[1].toObject().value("line").toInt(), 3);
        QCOMPARE(findings[1].toObject().value("severity").toString(), QStringLiteral("error"));
        const QJsonObject second = QJsonDocument::fromJson(lines[1]).object();
        QVERIFY(second.value("version").isNull());
        QCOMPARE(second.value("findings").toArray()[0].toObject().value("code").toString(),
                 QStringLiteral("unreadable"));
        QVERIFY(r.out.find("\\u00e9\\u0001.ies") != std::string::npos);
        // Qt cannot remove a name that is not UTF-8.
        std::remove(odd.c_str());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
