#include "core/linebuffer.h"
#include "core/safefile.h"
#include "testsupport.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace tagmere;
using tagmere::test::TempFolder;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(tagmere::FileLines)

class TestLineBuffer : public QObject {
    Q_OBJECT

private slots:
    void splitsLines_data() {
        QTest::addColumn<std::string>("bytes");
        QTest::addColumn<FileLines>("lines");
        QTest::newRow("empty file") << std::string() << FileLines{""};
        QTest::newRow("crlf") << std::string("a\r\nb\r\n") << FileLines{"", "a", "b"};
        QTest::newRow("lone cr") << std::string("a\rb\r") << FileLines{"", "a", "b"};
        QTest::newRow("lone lf") << std::string("a\nb\n") << FileLines{"", "a", "b"};
        QTest::newRow("mixed") << std::string("a\r\nb\rc\nd") << FileLines{"", "a", "b", "c", "d"};
        QTest::newRow("no final terminator") << std::string("a\r\nb") << FileLines{"", "a", "b"};
        QTest::newRow("empty last line") << std::string("a\r\n\r\n") << FileLines{"", "a", ""};
        QTest::newRow("lf then cr is two ends") << std::string("a\n\rb") << FileLines{"", "a", "", "b"};
        QTest::newRow("only terminator") << std::string("\r\n") << FileLines{"", ""};
        QTest::newRow("nul byte kept") << std::string("a\0b\r\n", 5) << FileLines{"", std::string("a\0b", 3)};
    }
    void splitsLines() {
        QFETCH(std::string, bytes);
        QFETCH(FileLines, lines);
        QCOMPARE(splitLines(bytes), lines);
    }

    void roundTrip_data() {
        QTest::addColumn<std::string>("input");
        QTest::addColumn<std::string>("written");
        QTest::newRow("crlf kept") << std::string("IESNA:LM-63-2002\r\nTILT=NONE\r\n")
                                   << std::string("IESNA:LM-63-2002\r\nTILT=NONE\r\n");
        QTest::newRow("cr made crlf") << std::string("a\rb\r") << std::string("a\r\nb\r\n");
        QTest::newRow("lf made crlf") << std::string("a\nb\n") << std::string("a\r\nb\r\n");
        QTest::newRow("final line gets terminator") << std::string("a\r\nb") << std::string("a\r\nb\r\n");
        QTest::newRow("empty file") << std::string() << std::string();
        QTest::newRow("blank lines dropped") << std::string("a\r\n\r\n   \r\nb\r\n  \r\n") << std::string("a\r\nb\r\n");
        QTest::newRow("tab-only line kept") << std::string("a\r\n\t\r\nb") << std::string("a\r\n\t\r\nb\r\n");
        QTest::newRow("inner blanks kept") << std::string("  x  \r\n") << std::string("  x  \r\n");
        QTest::newRow("high bytes") << std::string("\xe9\xff\x80\x7f\r\n") << std::string("\xe9\xff\x80\x7f\r\n");
    }
    void roundTrip() {
        QFETCH(std::string, input);
        QFETCH(std::string, written);
        TempFolder dir;
        const std::string path = dir.write("f.ies", input);
        FileLines lines;
        QVERIFY(msbIESFileRead(path, lines).ok);
        QCOMPARE(lines.front(), std::string());
        QVERIFY(msbIESFileWrite(path, lines).ok);
        QCOMPARE(test::readBytes(path), written);
        QCOMPARE(test::listFolder(dir.path()), std::vector<std::string>{"f.ies"});
    }

    void everyByteSurvives() {
        std::string line;
        for (int b = 1; b <= 255; ++b) {
            if (b != '\r' && b != '\n')
                line += static_cast<char>(b);
        }
        TempFolder dir;
        const std::string path = dir.write("bytes.ies", line + "\r\n" + line);
        FileLines lines;
        QVERIFY(msbIESFileRead(path, lines).ok);
        QCOMPARE(upperBound(lines), size_t(2));
        QCOMPARE(lines[1], line);
        QVERIFY(msbIESFileWrite(path, lines).ok);
        QCOMPARE(test::readBytes(path), line + "\r\n" + line + "\r\n");
    }

    void missingFileGivesMessageAndEmptyBuffer() {
        TempFolder dir;
        FileLines lines{"", "old"};
        const FileResult r = msbIESFileRead(dir.file("absent.ies"), lines);
        QVERIFY(!r.ok);
        QCOMPARE(r.message.text, "Unable to read file: " + r.description);
        QCOMPARE(r.message.icon, MessageIcon::None);
        QCOMPARE(r.message.buttons, MessageButtons::Ok);
        QVERIFY(!r.description.empty());
        QCOMPARE(lines, FileLines{""});
    }

    void folderIsNotReadAsFile() {
        TempFolder dir;
        FileLines lines;
        QVERIFY(!msbIESFileRead(dir.path(), lines).ok);
        QCOMPARE(upperBound(lines), size_t(0));
    }

    void emptyFileNameWritesNothing() {
        TempFolder dir;
        QVERIFY(msbIESFileWrite("", FileLines{"", "x"}).ok);
        QVERIFY(test::listFolder(dir.path()).empty());
    }

    void writeProtectedFileIsUnchanged_data() {
        QTest::addColumn<bool>("protectFolder");
        QTest::newRow("read-only file") << false;
        QTest::newRow("read-only folder") << true;
    }
    void writeProtectedFileIsUnchanged() {
        QFETCH(bool, protectFolder);
        TempFolder dir;
        const std::string path = dir.write("sub/ro.ies", "old\r\n");
        const std::string folder = dir.file("sub");
        ::chmod(path.c_str(), protectFolder ? 0644 : 0444);
        if (protectFolder)
            ::chmod(folder.c_str(), 0555);
        const FileResult r = msbIESFileWrite(path, FileLines{"", "new"});
        ::chmod(folder.c_str(), 0755);
        QVERIFY(!r.ok);
        QCOMPARE(r.message.text, "Unable to perform edit: " + r.description);
        QCOMPARE(test::readBytes(path), std::string("old\r\n"));
        QCOMPARE(test::listFolder(folder), std::vector<std::string>{"ro.ies"});
    }

    void writeKeepsPermissionBits() {
        TempFolder dir;
        const std::string path = dir.write("p.ies", "a\r\n");
        ::chmod(path.c_str(), 0640);
        QVERIFY(msbIESFileWrite(path, FileLines{"", "b"}).ok);
        struct stat st {};
        QCOMPARE(::stat(path.c_str(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        QCOMPARE(test::readBytes(path), std::string("b\r\n"));
    }

    void writeThroughSymlinkKeepsLink() {
        TempFolder dir;
        const std::string real = dir.write("real.ies", "a\r\n");
        const std::string link = dir.file("link.ies");
        QCOMPARE(::symlink(real.c_str(), link.c_str()), 0);
        QVERIFY(msbIESFileWrite(link, FileLines{"", "b"}).ok);
        struct stat st {};
        QCOMPARE(::lstat(link.c_str(), &st), 0);
        QVERIFY(S_ISLNK(st.st_mode));
        QCOMPARE(test::readBytes(real), std::string("b\r\n"));
    }

    void staleTemporariesAreRemoved() {
        TempFolder dir;
        dir.write("keep.ies", "x");
        // A writer process id that cannot be alive.
        dir.write(".tagmere-999999999-1-0-keep.ies.tmp", "half");
        const std::string live = ".tagmere-" + std::to_string(::getpid()) + "-1-0-keep.ies.tmp";
        dir.write(live, "in progress");
        QVERIFY(isTemporaryName(".tagmere-999999999-1-0-keep.ies.tmp"));
        QVERIFY(!isTemporaryName("keep.ies"));
        QCOMPARE(removeStaleTemporaries(dir.path()), 1);
        QCOMPARE(test::listFolder(dir.path()), (std::vector<std::string>{live, "keep.ies"}));
    }
};

QTEST_GUILESS_MAIN(TestLineBuffer)
#include "test_linebuffer.moc"
