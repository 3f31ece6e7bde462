#include "clitest.h"
#include "testsupport.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tagmere;
using Result = tagmere::test::CliResult;
using tagmere::test::readBytes;
using tagmere::test::runCli;
using tagmere::test::TempFolder;

Q_DECLARE_METATYPE(std::string)

namespace {

const std::string kHeader = "IESNA:LM-63-2002\r\n[TEST] T\r\n[MANUFAC] Old\r\nTILT=NONE\r\n";

} // namespace

// Odd inputs a large library holds: each gets a clear message and stays as it was, or
// is processed byte for byte where the rules allow it.
class TestHardening : public QObject {
    Q_OBJECT

private slots:
    void refusedFilesStayUnchanged_data() {
        QTest::addColumn<std::string>("bytes");
        QTest::addColumn<std::string>("reason");
        QTest::newRow("nul byte") << kHeader + std::string("1 2\0 3\r\n", 8) << std::string("NUL bytes");
        std::string binary;
        for (int i = 0; i < 4096; ++i)
            binary += static_cast<char>((i * 7919) & 0xFF);
        QTest::newRow("binary") << binary << std::string("NUL bytes");
    }
    void refusedFilesStayUnchanged() {
        QFETCH(std::string, bytes);
        QFETCH(std::string, reason);
        TempFolder dir;
        const std::string odd = dir.write("lib/odd.ies", bytes);
        const std::string good = dir.write("lib/good.ies", kHeader);
        const Result r = runCli({"apply", "--manufac", "New", dir.file("lib")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.find("Unable to read file: " + odd) != std::string::npos);
        QVERIFY(r.err.find(reason) != std::string::npos);
        QCOMPARE(readBytes(odd), bytes);
        QVERIFY(readBytes(good).find("[MANUFAC] New") != std::string::npos);
    }

    void folderNamedLikeAFileIsListedButNotWritten() {
        TempFolder dir;
        QVERIFY(QDir().mkpath(QString::fromStdString(dir.file("lib/x.ies"))));
        dir.write("lib/x.ies/inner.ies", kHeader);
        const Result find = runCli({"find", dir.file("lib")});
        QCOMPARE(find.out, dir.file("lib/x.ies") + "/inner.ies\n" + dir.file("lib/x.ies") + "\n");
        const Result r = runCli({"apply", "--manufac", "New", dir.file("lib")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.find("Unable to read file: " + dir.file("lib/x.ies") + ": Is a directory") != std::string::npos);
        QVERIFY(QFileInfo(QString::fromStdString(dir.file("lib/x.ies"))).isDir());
        QVERIFY(readBytes(dir.file("lib/x.ies/inner.ies")).find("[MANUFAC] New") != std::string::npos);
    }

    void vanishedFileIsReportedAndRunGoesOn() {
        TempFolder dir;
        const std::string a = dir.write("a.ies", kHeader);
        const std::string b = dir.write("b.ies", kHeader);
        ::unlink(a.c_str());
        const Result r = runCli({"apply", "--manufac", "New", a, b});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.find("Unable to read file: " + a + ": No such file or directory") != std::string::npos);
        QVERIFY(!test::fileExists(a));
        QVERIFY(readBytes(b).find("[MANUFAC] New") != std::string::npos);
    }

    void pipeDoesNotHangTheRun() {
        TempFolder dir;
        const std::string pipe = dir.file("pipe.ies");
        QCOMPARE(::mkfifo(pipe.c_str(), 0644), 0);
        const Result r = runCli({"apply", "--manufac", "New", pipe});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.find("not a regular file") != std::string::npos);
        // A folder search does not list it at all.
        QCOMPARE(runCli({"find", dir.path()}).out, std::string());
    }

    void megabyteLineAndHighBytesAreKeptExactly() {
        TempFolder dir;
        std::string longLine(1 << 20, 'x');
        for (size_t i = 0; i < longLine.size(); i += 997)
            longLine[i] = static_cast<char>(0x80 + i % 0x7F);
        const std::string path =
            dir.write("big.ies", "IESNA:LM-63-2002\r\n[OTHER] " + longLine + "\r\n" + kHeader.substr(18));
        const Result r = runCli({"apply", "--cri", "80", path});
        QCOMPARE(r.code, 0);
        QCOMPARE(readBytes(path), "IESNA:LM-63-2002\r\n[OTHER] " + longLine +
                                      "\r\n[TEST] T\r\n[MANUFAC] Old\r\n[_SEARCH_CRI] 80\r\nTILT=NONE\r\n");
    }

    void symlinkLoopEndsWithoutDuplicates() {
        TempFolder dir;
        dir.write("lib/a/a.ies", kHeader);
        QCOMPARE(::symlink("..", dir.file("lib/a/up").c_str()), 0);
        QCOMPARE(::symlink("a", dir.file("lib/again").c_str()), 0);
        const Result r = runCli({"find", dir.file("lib")});
        QCOMPARE(r.code, 0);
        QCOMPARE(QString::fromStdString(r.out).count(QLatin1Char('\n')), 1);
    }
};

QTEST_GUILESS_MAIN(TestHardening)
#include "test_hardening.moc"
