// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/readfile.h"
#include "files/safefile.h"
#include "format/keywordedit.h"
#include "format/linebuffer.h"
#include "testsupport.h"

#include <QtTest>

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
        QTest::newRow("crlf, lf, final lone cr") << std::string("a\r\nb\nc\r") << FileLines{"", "a", "b", "c"};
        QTest::newRow("empty last line") << std::string("a\r\n\r\n") << FileLines{"", "a", ""};
        QTest::newRow("lf then cr is two ends") << std::string("a\n\rb") << FileLines{"", "a", "", "b"};
        QTest::newRow("nul byte kept") << std::string("a\0b\r\n", 5) << FileLines{"", std::string("a\0b", 3)};
    }
    void splitsLines() {
        QFETCH(std::string, bytes);
        QFETCH(FileLines, lines);
        QCOMPARE(splitLines(bytes), lines);
    }

    // Line ends are found 64 bytes at a time: ends on every side of a block's edge, a CR
    // LF split by it, lines longer than a block and lone CRs give the lines a byte-wise
    // splitter gives.
    void splitsAcrossBlocks() {
        const auto byteWise = [](const std::string& bytes) {
            FileLines lines = emptyFileLines();
            size_t start = 0;
            while (start < bytes.size()) {
                size_t stop = start;
                while (stop < bytes.size() && bytes[stop] != '\r' && bytes[stop] != '\n')
                    ++stop;
                lines.push_back(bytes.substr(start, stop - start));
                start = stop + (bytes.compare(stop, 2, "\r\n") == 0 ? 2 : 1);
            }
            return lines;
        };
        for (const char* end : {"\r\n", "\n", "\r", "\n\r"}) {
            for (size_t first = 55; first < 75; ++first) {
                std::string bytes(first, 'a');
                for (size_t length : {0, 1, 62, 63, 64, 65, 130, 3})
                    bytes += end + std::string(length, 'b');
                QCOMPARE(splitLines(bytes), byteWise(bytes));
                QCOMPARE(splitLines(bytes + end), byteWise(bytes + end));
            }
        }
        const std::string crOnly(200000, '\r');
        QCOMPARE(splitLines(crOnly).size(), crOnly.size() + 1);
    }

    void roundTrip_data() {
        QTest::addColumn<std::string>("input");
        QTest::addColumn<std::string>("written");
        QTest::newRow("every end made crlf") << std::string("a\rb\nc\r\nd") << std::string("a\r\nb\r\nc\r\nd\r\n");
        // Only blanks make a line empty: a tab-only line and inner blanks stay.
        QTest::newRow("blank lines dropped")
            << std::string("a\r\n\r\n   \r\n\t\r\n  x  \r\n  ") << std::string("a\r\n\t\r\n  x  \r\n");
        std::string line;
        for (int b = 1; b <= 255; ++b)
            if (b != '\r' && b != '\n')
                line += static_cast<char>(b);
        QTest::newRow("every byte survives") << line + "\r\n" + line << line + "\r\n" + line + "\r\n";
    }
    void roundTrip() {
        QFETCH(std::string, input);
        QFETCH(std::string, written);
        TempFolder dir;
        const std::string path = dir.write("f.ies", input);
        FileLines lines;
        QVERIFY(msbIESFileRead(path, lines).ok);
        QVERIFY(replaceFile(path, joinLinesForWrite(lines)).ok);
        QCOMPARE(test::readBytes(path), written);
        QCOMPARE(test::listFolder(dir.path()), std::vector<std::string>{"f.ies"});
    }

    // An edit of lines merged into runs writes what an edit line by line writes.
    void editByRuns() {
        const std::string files[] = {
            "V\r\n[A] x\r\n\r\n[MORE] y\r\nTILT=NONE\r\n1\r\n\r\n  \r\n2\r\n[A] late\r\n3\r\n4\x1a",
            "V\n[A] x\n   \n[MORE] y\nd\n\nTILT=NONE\n1 2\n\n",
            "[A] x\r\n[MORE] y\r\n\r\n\r\nTILT=NONE\r\n",
        };
        for (const std::string& bytes : files) {
            for (const bool remove : {true, false}) {
                FileLines byLine = splitLines(bytes);
                FileLines byRun = splitLinesForEdit(bytes);
                QVERIFY(byRun.size() <= byLine.size());
                msbAddReplaceKeyword(byLine, "[A]", "[A] new", {""}, remove);
                msbAddReplaceKeyword(byRun, "[A]", "[A] new", {""}, remove);
                QCOMPARE(joinLinesForWrite(byRun), joinLinesForWrite(byLine));
            }
        }
    }

    // Missing, a folder, and over the size limit (refused unread).
    void unreadableFileGivesMessageAndEmptyBuffer() {
        for (const std::string name : {"absent.ies", "", "huge.ies"}) {
            TempFolder dir;
            FileLines lines{"", "old"};
            if (name == "huge.ies") // sparse: no disk space taken
                QCOMPARE(::truncate(dir.write(name, "x").c_str(), kMaxFileBytes + 1), 0);
            const Status r = msbIESFileRead(name.empty() ? dir.path() : dir.file(name), lines);
            QVERIFY2(!r.ok && !r.description.empty(), name.c_str());
            QCOMPARE(lines, FileLines{""});
        }
    }
};

QTEST_GUILESS_MAIN(TestLineBuffer)
#include "test_linebuffer.moc"
