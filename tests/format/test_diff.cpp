// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/diff.h"

#include <QtTest>

#include <sstream>

using namespace tagmere;

namespace {

// One line per letter: "ab" is "a\nb\n".
std::string lines(const std::string& letters) {
    std::string text;
    for (const char c : letters)
        (text += c) += '\n';
    return text;
}

// The hunk headers and changed lines of a diff, without the file lines and the context.
std::string changes(const std::string& diff) {
    std::istringstream in(diff);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        const bool fileLine = line.rfind("--- ", 0) == 0 || line.rfind("+++ ", 0) == 0;
        if (!fileLine && (line.rfind("@@", 0) == 0 || line[0] == '+' || line[0] == '-'))
            out += line + " ";
    }
    return out;
}

// A text before and after, and what a diff of them is to give.
struct Row {
    const char* name;
    const char* before;
    const char* after;
    const char* expected;
};

} // namespace

class TestDiff : public QObject {
    Q_OBJECT

private slots:
    // Three lines of context; changes at most six unchanged lines apart share a hunk.
    void hunks() {
        const Row rows[] = {
            {"equal texts", "abc", "abc", ""},
            {"one line changed", "abcdefghijkl", "abcdeXghijkl", "@@ -3,7 +3,7 @@ -f +X "},
            {"an inserted line only adds", "abcdef", "abcXdef", "@@ -1,6 +1,7 @@ +X "},
            {"a moved line: the fewest changes", "abcd", "bcda", "@@ -1,4 +1,4 @@ -a +a "},
            {"first line removed", "abc", "bc", "@@ -1,3 +1,2 @@ -a "},
            {"from nothing", "", "ab", "@@ -0,0 +1,2 @@ +a +b "},
            {"six apart: one hunk", "abcdefghijklmnop", "aXcdefghYjklmnop", "@@ -1,12 +1,12 @@ -b +X -i +Y "},
            {"seven apart: two hunks", "abcdefghijklmnop", "aXcdefghiYklmnop",
             "@@ -1,5 +1,5 @@ -b +X @@ -7,7 +7,7 @@ -j +Y "},
        };
        for (const auto& row : rows)
            QVERIFY2(changes(unifiedDiff("f.ies", lines(row.before), lines(row.after))) == row.expected, row.name);
    }

    // Too many lines to align one by one: every old line goes, then every new one comes.
    void largeChangeListsEveryLine() {
        std::string before, after;
        for (int i = 0; i < 2100; ++i) {
            before += "old " + std::to_string(i) + "\n";
            after += "new " + std::to_string(i) + "\n";
        }
        std::istringstream in(unifiedDiff("f.ies", before, after));
        int removed = 0, added = 0;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("--- ", 0) != 0 && line.rfind("+++ ", 0) != 0) {
                removed += line[0] == '-';
                added += line[0] == '+';
            }
        }
        QCOMPARE(removed, 2100);
        QCOMPARE(added, 2100);
    }

    void lineEnds() {
        const std::string crlf = "a\r\nb\r\n", lf = "a\nb\n";
        QCOMPARE(changes(unifiedDiff("f.ies", crlf, lf)), std::string("@@ -1,2 +1,2 @@ -a\r -b\r +a +b "));
        QCOMPARE(unifiedDiff("f.ies", crlf, lf, true), std::string());
        QCOMPARE(changes(unifiedDiff("f.ies", crlf, "a\nc\n", true)), std::string("@@ -1,2 +1,2 @@ -b +c "));
        QCOMPARE(lineEndNote(crlf, lf), std::string("line ends become LF"));
        QCOMPARE(lineEndNote("a\nb\r\n", crlf), std::string("line ends become CR LF"));
        QCOMPARE(lineEndNote(crlf, "a\rb\n"), std::string("line ends become mixed"));
        QCOMPARE(lineEndNote(crlf, "\na"), std::string("line ends become LF"));
        QCOMPARE(lineEndNote(crlf, crlf + "c"), std::string());
    }

    // The Preview's text: the note, then the lines whose text changes; every file named.
    void preview() {
        const Row rows[] = {
            {"equal texts", "a\r\n", "a\r\n", ""},
            {"LF file: the note, then the changed line only", "a\nb\n", "a\r\nc\r\n",
             "line ends become CR LF\n--- f.ies\n+++ f.ies\n@@ -1,2 +1,2 @@\n a\n-b\n+c\n"},
            {"only line ends change: the note and the file named", "a\nb\n", "a\r\nb\r\n",
             "line ends become CR LF\n--- f.ies\n+++ f.ies\n"},
            {"same line ends: no note", "a\r\nb\r\n", "a\r\nc\r\n",
             "--- f.ies\n+++ f.ies\n@@ -1,2 +1,2 @@\n a\n-b\n+c\n"},
            {"a last line gains its end: the exact diff", "a\r\nb", "a\r\nb\r\n",
             "--- f.ies\n+++ f.ies\n@@ -1,2 +1,2 @@\n a\r\n-b\n\\ No newline at end of file\n+b\r\n"},
        };
        for (const auto& row : rows)
            QVERIFY2(previewDiff("f.ies", row.before, row.after) == row.expected, row.name);
    }
};

QTEST_GUILESS_MAIN(TestDiff)
#include "test_diff.moc"
