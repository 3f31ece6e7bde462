// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/keywordedit.h"
#include "format/text.h"

#include <QtTest>

using namespace tagmere;

Q_DECLARE_METATYPE(tagmere::FileLines)
Q_DECLARE_METATYPE(std::string)

namespace {
using Lines = FileLines;
Lines more(std::initializer_list<std::string> lines) {
    Lines out{""};
    out.insert(out.end(), lines);
    return out;
}
} // namespace

class TestKeywordEdit : public QObject {
    Q_OBJECT

private slots:
    void edits_data() {
        QTest::addColumn<Lines>("before");
        QTest::addColumn<std::string>("keyword");
        QTest::addColumn<std::string>("newLine");
        QTest::addColumn<Lines>("newMore");
        QTest::addColumn<bool>("remove");
        QTest::addColumn<Lines>("after");

        QTest::newRow("middle keyword with more run moves before TILT")
            << Lines{"",           "IESNA:LM-63-2002", "[TEST] 1", "[MANUFAC] Old", "[MORE] older", "[MORE] oldest",
                     "[LUMCAT] X", "TILT=NONE",        "1 2"}
            << std::string("[MANUFAC]") << std::string("[MANUFAC] New") << Lines{""} << false
            << Lines{"", "IESNA:LM-63-2002", "[TEST] 1", "[LUMCAT] X", "[MANUFAC] New", "TILT=NONE", "1 2"};
        QTest::newRow("identical line keeps its more lines, moved with it")
            << Lines{"", "[MANUFAC] A", "[MORE] rest", "[TEST] 1", "TILT=NONE"} << std::string("[MANUFAC]")
            << std::string("[MANUFAC] A") << Lines{""} << false
            << Lines{"", "[TEST] 1", "[MANUFAC] A", "[MORE] rest", "TILT=NONE"};
        QTest::newRow("identical line with new more lines takes those")
            << Lines{"", "[MANUFAC] A", "[MORE] rest", "TILT=NONE"} << std::string("[MANUFAC]")
            << std::string("[MANUFAC] A") << more({"[MORE] new", "[MORE] newer"}) << false
            << Lines{"", "[MANUFAC] A", "[MORE] new", "[MORE] newer", "TILT=NONE"};
        QTest::newRow("non-adjacent more line kept")
            << Lines{"", "[MANUFAC] A", "[LUMCAT] X", "[MORE] stays", "TILT=NONE"} << std::string("[MANUFAC]")
            << std::string("[MANUFAC] B") << Lines{""} << false
            << Lines{"", "[LUMCAT] X", "[MORE] stays", "[MANUFAC] B", "TILT=NONE"};
        // Exact case, brackets and all: none of these lines holds the keyword.
        QTest::newRow("only the exact keyword matches")
            << Lines{"", "[manufac] A", "[MANUFACCAT] A", "[OTHER] MANUFAC", "TILT=NONE"} << std::string("[MANUFAC]")
            << std::string("[MANUFAC] B") << Lines{""} << false
            << Lines{"", "[manufac] A", "[MANUFACCAT] A", "[OTHER] MANUFAC", "[MANUFAC] B", "TILT=NONE"};
        QTest::newRow("no TILT line: removed, nothing inserted")
            << Lines{"", "[MANUFAC] A", "[TEST] 1"} << std::string("[MANUFAC]") << std::string("[MANUFAC] B")
            << Lines{""} << false << Lines{"", "[TEST] 1"};
        QTest::newRow("two TILT lines get the line each")
            << Lines{"", "TILT=NONE", "x", "TILT=INCLUDE"} << std::string("[MANUFAC]") << std::string("[MANUFAC] B")
            << Lines{""} << false << Lines{"", "[MANUFAC] B", "TILT=NONE", "x", "[MANUFAC] B", "TILT=INCLUDE"};
        QTest::newRow("lower-case or indented tilt is no insertion point")
            << Lines{"", "tilt=NONE", " TILT=NONE", "TILT=NONE"} << std::string("[A]") << std::string("[A] 1")
            << Lines{""} << false << Lines{"", "tilt=NONE", " TILT=NONE", "[A] 1", "TILT=NONE"};
        QTest::newRow("everything removed gives upper bound 0")
            << Lines{"", "[A] 1", "[MORE] 2", "", "[A] 3"} << std::string("[A]") << std::string() << Lines{""} << true
            << Lines{""};
        QTest::newRow("add absent keyword keeps empty lines")
            << Lines{"", "[B] 1", "", "TILT=NONE"} << std::string("[A]") << std::string("[A] x") << Lines{""} << false
            << Lines{"", "[B] 1", "", "[A] x", "TILT=NONE"};
        QTest::newRow("match compacts every empty line but keeps blank ones")
            << Lines{"", "", "[A] 1", "  ", "", "TILT=NONE"} << std::string("[A]") << std::string() << Lines{""} << true
            << Lines{"", "  ", "TILT=NONE"};
        QTest::newRow("keyword anywhere in any line is taken out")
            << Lines{"", "TILT=NONE", "note [A] in data", "[MORE] x"} << std::string("[A]") << std::string("[A] 1")
            << Lines{""} << false << Lines{"", "[A] 1", "TILT=NONE"};
        QTest::newRow("repeated keyword leaves one occurrence")
            << Lines{"", "[A] 1", "[B] 2", "[A] 3", "TILT=NONE"} << std::string("[A]") << std::string("[A] 4")
            << Lines{""} << false << Lines{"", "[B] 2", "[A] 4", "TILT=NONE"};
        QTest::newRow("empty buffer stays empty")
            << Lines{""} << std::string("[A]") << std::string("[A] 1") << Lines{""} << false << Lines{""};
    }
    void edits() {
        QFETCH(Lines, before);
        QFETCH(std::string, keyword);
        QFETCH(std::string, newLine);
        QFETCH(Lines, newMore);
        QFETCH(bool, remove);
        QFETCH(Lines, after);
        msbAddReplaceKeyword(before, keyword, newLine, newMore, remove);
        QCOMPARE(before, after);
    }
};

QTEST_GUILESS_MAIN(TestKeywordEdit)
#include "test_keywordedit.moc"
