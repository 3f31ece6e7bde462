// SPDX-License-Identifier: GPL-3.0-or-later
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
        QVERIFY(replaceFile(path, joinLinesForWrite(lines)).ok);
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
        QVERIFY(replaceFile(path, joinLinesForWrite(lines)).ok);
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
};

QTEST_GUILESS_MAIN(TestLineBuffer)
#include "test_linebuffer.moc"
