#include "search/filesearch.h"
#include "search/pattern.h"

#include <QtTest>

#include <string>
#include <vector>

using namespace tagmere;

namespace {

QString q(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<int>(s.size()));
}

// Entries 1..n joined by "|"; entry 0 must be empty.
QString joinEntries(const std::vector<std::string>& list) {
    QStringList parts;
    for (std::size_t i = 1; i < list.size(); ++i)
        parts << q(list[i]);
    return parts.join(QLatin1Char('|'));
}

} // namespace

class TestPattern : public QObject {
    Q_OBJECT

private slots:
    void splitList_data();
    void splitList();
    void splitPath_data();
    void splitPath();
    void stripWildcards_data();
    void stripWildcards();
    void patternLists_data();
    void patternLists();
    void candidate_data();
    void candidate();
    void caseOrder_data();
    void caseOrder();
    void iesSuffix_data();
    void iesSuffix();
};

void TestPattern::splitList_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("items");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("rest");
    const auto row = [](const char* name, const char* text, const char* items, int count, const char* rest) {
        QTest::newRow(name) << QString::fromLatin1(text) << QString::fromLatin1(items) << count
                            << QString::fromLatin1(rest);
    };
    row("one item", "*.ies", "*.ies", 1, "*.ies");
    row("three items", "a;b;c", "a|b|c", 3, "c");
    row("empty text gives one empty item", "", "", 1, "");
    row("trailing separator", "a;", "a|", 2, "");
    row("leading separators", ";;a", "||a", 3, "a");
    row("blanks kept", " a ; b", " a | b", 2, " b");
}

void TestPattern::splitList() {
    QFETCH(QString, text);
    QFETCH(QString, items);
    QFETCH(int, count);
    QFETCH(QString, rest);

    std::string t = text.toStdString();
    std::vector<std::string> list = {"stale", "stale", "stale", "stale", "stale"};
    msbSplitList(t, list);
    QCOMPARE(static_cast<int>(list.size()), count + 1);
    QCOMPARE(q(list[0]), QString());
    QCOMPARE(joinEntries(list), items);
    QCOMPARE(q(t), rest);
}

void TestPattern::splitPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("extension");
    const auto row = [](const char* name, const char* path, const char* base, const char* folder,
                        const char* extension) {
        QTest::newRow(name) << QString::fromLatin1(path) << QString::fromLatin1(base) << QString::fromLatin1(folder)
                            << QString::fromLatin1(extension);
    };
    row("five-character extension dropped", "report.html", "report", "", "");
    row("*.ies", "*.ies", "*", "", ".ies");
    row("*", "*", "*", "", "");
    row("four-character extension kept", "a.htm", "a", "", ".htm");
    row("full path", "/data/lamps/a.ies", "a", "/data/lamps/", ".ies");
    row("dot in folder, short tail", "/data/a.b/c", "c", "/data/a.b/", ".b/c");
    row("dot in folder, long tail", "/data.old/lamps", "lamps", "/data.old/", "");
    row("last dot wins", "x.ies.bak", "x.ies", "", ".bak");
    row("trailing dot", "a.", "a", "", ".");
    row("dot name", ".ies", "", "", ".ies");
    row("long dot name", ".hidden", "", "", "");
    row("folder only", "dir/", "", "dir/", "");
    row("empty", "", "", "", "");
    row("case kept", "Abc.IeS", "Abc", "", ".IeS");
}

void TestPattern::splitPath() {
    QFETCH(QString, path);
    QFETCH(QString, base);
    QFETCH(QString, folder);
    QFETCH(QString, extension);

    std::string p = path.toStdString();
    std::string f = "stale";
    std::string e = "stale";
    msbSplitPath(p, f, e);
    QCOMPARE(q(p), base);
    QCOMPARE(q(f), folder);
    QCOMPARE(q(e), extension);
}

void TestPattern::stripWildcards_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("stripped");
    QTest::newRow("star") << QStringLiteral("*") << QString();
    QTest::newRow("trailing star") << QStringLiteral("ABC*") << QStringLiteral("ABC");
    QTest::newRow("inner star") << QStringLiteral("A*C") << QStringLiteral("A C");
    QTest::newRow("blanks trimmed") << QStringLiteral(" *X* ") << QStringLiteral("X");
}

void TestPattern::stripWildcards() {
    QFETCH(QString, pattern);
    QFETCH(QString, stripped);

    std::string p = pattern.toStdString();
    const std::string result = mfnStripWildcards(p);
    QCOMPARE(q(result), stripped);
    QCOMPARE(q(p), stripped);
}

void TestPattern::patternLists_data() {
    QTest::addColumn<QString>("patternText");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("extensions");
    const auto row = [](const char* name, const char* text, const char* names, const char* extensions) {
        QTest::newRow(name) << QString::fromLatin1(text) << QString::fromLatin1(names)
                            << QString::fromLatin1(extensions);
    };
    row("*.ies", "*.ies", "*", ".IES");
    row("*.*", "*.*", "*", ".*");
    row("*.html", "*.html", "*", "");
    row("two items upper-cased", "abc.ies;Lamp*.txt", "ABC|LAMP*", ".IES|.TXT");
    row("folder part ignored", "/some/dir/abc.ies", "ABC", ".IES");
    row("empty text", "", "", "");
    row("trailing separator", "*.ies;", "*|", ".IES|");
}

void TestPattern::patternLists() {
    QFETCH(QString, patternText);
    QFETCH(QString, names);
    QFETCH(QString, extensions);

    FileSearch search;
    search.buildPatternLists("old.txt;older.txt;oldest.txt");
    search.buildPatternLists(patternText.toStdString());
    QCOMPARE(search.mstrNamePattern.size(), search.mstrExtPattern.size());
    QCOMPARE(q(search.mstrNamePattern[0]), QString());
    QCOMPARE(q(search.mstrExtPattern[0]), QString());
    QCOMPARE(joinEntries(search.mstrNamePattern), names);
    QCOMPARE(joinEntries(search.mstrExtPattern), extensions);
}

void TestPattern::candidate_data() {
    QTest::addColumn<QString>("patternText");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("isCandidate");
    const auto row = [](const char* name, const char* text, const char* entry, bool isCandidate) {
        QTest::newRow(name) << QString::fromLatin1(text) << QString::fromLatin1(entry) << isCandidate;
    };
    row("*.ies: mixed case", "*.ies", "b.Ies", true);
    row("*.ies: extension inside the name", "*.ies", "x.ies.bak", true);
    row("*.ies: other extension", "*.ies", "a.txt", false);
    row("*.ies: dot dot", "*.ies", "..", false);
    row("*.*: dot dot", "*.*", "..", true);
    row("*.*: no extension", "*.*", "README", true);
    row("*: nothing", "*", "a.ies", false);
    row("*.html: nothing", "*.html", "a.html", false);
    row("abc.ies: any case", "abc.ies", "ABC.IES", true);
    row("abc.ies: longer base", "abc.ies", "abcd.ies", false);
    row("abc.ies: base cut at last dot", "abc.ies", "abc.ies.bak", false);
    row("abc.*: no extension", "abc.*", "abc", true);
    row("abc.*: other base", "abc.*", "abcd.txt", false);
    row("ABC*.ies: occurs anywhere", "ABC*.ies", "xabcy.ies", true);
    row("ABC*.ies: wrong extension", "ABC*.ies", "abc.txt", false);
    row("A*C.ies: star becomes blank", "A*C.ies", "a c.ies", true);
    row("A*C.ies: no blank", "A*C.ies", "abc.ies", false);
    row("ABC*.*: name only", "ABC*.*", "abc", true);
    row("not pairwise: name of one, extension of other", "abc.txt;*.ies", "abc.ies", true);
    row("not pairwise: neither", "abc.txt;*.ies", "zzz.doc", false);
    row("empty pattern", "", ".", false);
}

void TestPattern::candidate() {
    QFETCH(QString, patternText);
    QFETCH(QString, entry);
    QFETCH(bool, isCandidate);

    FileSearch search;
    search.buildPatternLists(patternText.toStdString());
    QCOMPARE(search.mfnIsCandidate(entry.toStdString()), isCandidate);
    // Before the first search nothing is a candidate.
    QVERIFY(!FileSearch().mfnIsCandidate(entry.toStdString()));
}

void TestPattern::caseOrder_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("less");
    const auto row = [](const char* name, const char* a, const char* b, bool less) {
        QTest::newRow(name) << QString::fromLatin1(a) << QString::fromLatin1(b) << less;
    };
    row("letters ignore case", "a", "B", true);
    row("letters ignore case, reversed", "B", "a", false);
    row("prefix first", "ab", "ABC", true);
    row("underscore before letters", "_x", "a", true);
    row("case tie broken by bytes", "A", "a", true);
    row("case tie broken by bytes, reversed", "a", "A", false);
    row("equal", "a", "a", false);
}

void TestPattern::caseOrder() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, less);
    QCOMPARE(lessIgnoringCase(a.toStdString(), b.toStdString()), less);
}

void TestPattern::iesSuffix_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("ends");
    QTest::newRow("mixed") << "b.Ies" << true;
    QTest::newRow("only the suffix") << ".ies" << true;
    QTest::newRow("inside") << "x.ies.bak" << false;
    QTest::newRow("no dot") << "aies" << false;
    QTest::newRow("short") << "ies" << false;
}

void TestPattern::iesSuffix() {
    QFETCH(QString, name);
    QFETCH(bool, ends);
    QCOMPARE(endsWithIes(name.toStdString()), ends);
}

QTEST_GUILESS_MAIN(TestPattern)
#include "test_pattern.moc"
