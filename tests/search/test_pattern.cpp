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
    void candidateBeforeFirstSearch();
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

    QTest::newRow("one item") << "*.ies"
                              << "*.ies" << 1 << "*.ies";
    QTest::newRow("three items") << "a;b;c"
                                 << "a|b|c" << 3 << "c";
    QTest::newRow("empty text gives one empty item") << ""
                                                     << "" << 1 << "";
    QTest::newRow("lone separator") << ";"
                                    << "|" << 2 << "";
    QTest::newRow("trailing separator") << "a;"
                                        << "a|" << 2 << "";
    QTest::newRow("leading separators") << ";;a"
                                        << "||a" << 3 << "a";
    QTest::newRow("blanks kept") << " a ; b"
                                 << " a | b" << 2 << " b";
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

    QTest::newRow("report.html") << "report.html"
                                 << "report"
                                 << ""
                                 << "";
    QTest::newRow("*.ies") << "*.ies"
                           << "*"
                           << ""
                           << ".ies";
    QTest::newRow("*.*") << "*.*"
                         << "*"
                         << ""
                         << ".*";
    QTest::newRow("*") << "*"
                       << "*"
                       << ""
                       << "";
    QTest::newRow("four-character extension kept") << "a.htm"
                                                   << "a"
                                                   << ""
                                                   << ".htm";
    QTest::newRow("full path") << "/data/lamps/a.ies"
                               << "a"
                               << "/data/lamps/"
                               << ".ies";
    QTest::newRow("dot in folder, short tail") << "/data/a.b/c"
                                               << "c"
                                               << "/data/a.b/"
                                               << ".b/c";
    QTest::newRow("dot in folder, long tail") << "/data.old/lamps"
                                              << "lamps"
                                              << "/data.old/"
                                              << "";
    QTest::newRow("last dot wins") << "x.ies.bak"
                                   << "x.ies"
                                   << ""
                                   << ".bak";
    QTest::newRow("trailing dot") << "a."
                                  << "a"
                                  << ""
                                  << ".";
    QTest::newRow("dot name") << ".ies"
                              << ""
                              << ""
                              << ".ies";
    QTest::newRow("long dot name") << ".hidden"
                                   << ""
                                   << ""
                                   << "";
    QTest::newRow("folder only") << "dir/"
                                 << ""
                                 << "dir/"
                                 << "";
    QTest::newRow("empty") << ""
                           << ""
                           << ""
                           << "";
    QTest::newRow("case kept") << "Abc.IeS"
                               << "Abc"
                               << ""
                               << ".IeS";
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

    QTest::newRow("star") << "*"
                          << "";
    QTest::newRow("trailing star") << "ABC*"
                                   << "ABC";
    QTest::newRow("inner star") << "A*C"
                                << "A C";
    QTest::newRow("stars only") << "**"
                                << "";
    QTest::newRow("blanks trimmed") << " *X* "
                                    << "X";
    QTest::newRow("no star") << "A B"
                             << "A B";
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

    QTest::newRow("*.ies") << "*.ies"
                           << "*"
                           << ".IES";
    QTest::newRow("*.*") << "*.*"
                         << "*"
                         << ".*";
    QTest::newRow("*") << "*"
                       << "*"
                       << "";
    QTest::newRow("*.html") << "*.html"
                            << "*"
                            << "";
    QTest::newRow("two items upper-cased") << "abc.ies;Lamp*.txt"
                                           << "ABC|LAMP*"
                                           << ".IES|.TXT";
    QTest::newRow("same item twice") << "abc.ies;abc.ies"
                                     << "ABC|ABC"
                                     << ".IES|.IES";
    QTest::newRow("folder part ignored") << "/some/dir/abc.ies"
                                         << "ABC"
                                         << ".IES";
    QTest::newRow("empty text") << ""
                                << ""
                                << "";
    QTest::newRow("trailing separator") << "*.ies;"
                                        << "*|"
                                        << ".IES|";
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

    QTest::newRow("*.ies: lower case") << "*.ies"
                                       << "a.ies" << true;
    QTest::newRow("*.ies: upper case") << "*.ies"
                                       << "A.IES" << true;
    QTest::newRow("*.ies: mixed case") << "*.ies"
                                       << "b.Ies" << true;
    QTest::newRow("*.ies: extension inside the name") << "*.ies"
                                                      << "x.ies.bak" << true;
    QTest::newRow("*.ies: other extension") << "*.ies"
                                            << "a.txt" << false;
    QTest::newRow("*.ies: dot") << "*.ies"
                                << "." << false;
    QTest::newRow("*.ies: dot dot") << "*.ies"
                                    << ".." << false;
    QTest::newRow("*.*: dot") << "*.*"
                              << "." << true;
    QTest::newRow("*.*: dot dot") << "*.*"
                                  << ".." << true;
    QTest::newRow("*.*: no extension") << "*.*"
                                       << "README" << true;
    QTest::newRow("*: nothing") << "*"
                                << "a.ies" << false;
    QTest::newRow("*.html: nothing") << "*.html"
                                     << "a.html" << false;
    QTest::newRow("*.html: not even ies") << "*.html"
                                          << "a.ies" << false;
    QTest::newRow("abc.ies twice: exact") << "abc.ies;abc.ies"
                                          << "abc.ies" << true;
    QTest::newRow("abc.ies: any case") << "abc.ies"
                                       << "ABC.IES" << true;
    QTest::newRow("abc.ies: longer base") << "abc.ies"
                                          << "abcd.ies" << false;
    QTest::newRow("abc.ies: base cut at last dot") << "abc.ies"
                                                   << "abc.ies.bak" << false;
    QTest::newRow("abc.*: any extension") << "abc.*"
                                          << "abc.txt" << true;
    QTest::newRow("abc.*: no extension") << "abc.*"
                                         << "abc" << true;
    QTest::newRow("abc.*: other base") << "abc.*"
                                       << "abcd.txt" << false;
    QTest::newRow("ABC*.ies: occurs anywhere") << "ABC*.ies"
                                               << "xabcy.ies" << true;
    QTest::newRow("ABC*.ies: missing") << "ABC*.ies"
                                       << "ab.ies" << false;
    QTest::newRow("ABC*.ies: wrong extension") << "ABC*.ies"
                                               << "abc.txt" << false;
    QTest::newRow("A*C.ies: star becomes blank") << "A*C.ies"
                                                 << "a c.ies" << true;
    QTest::newRow("A*C.ies: no blank") << "A*C.ies"
                                       << "abc.ies" << false;
    QTest::newRow("ABC*.*: name only") << "ABC*.*"
                                       << "abc" << true;
    QTest::newRow("ABC*.*: name missing") << "ABC*.*"
                                          << "xyz" << false;
    QTest::newRow("not pairwise: name of one, extension of other") << "abc.txt;*.ies"
                                                                   << "abc.ies" << true;
    QTest::newRow("not pairwise: star with other extension") << "abc.txt;*.ies"
                                                             << "zzz.txt" << true;
    QTest::newRow("not pairwise: neither") << "abc.txt;*.ies"
                                           << "zzz.doc" << false;
    QTest::newRow("empty pattern") << ""
                                   << "." << false;
}

void TestPattern::candidate() {
    QFETCH(QString, patternText);
    QFETCH(QString, entry);
    QFETCH(bool, isCandidate);

    FileSearch search;
    search.buildPatternLists(patternText.toStdString());
    QCOMPARE(search.mfnIsCandidate(entry.toStdString()), isCandidate);
}

void TestPattern::candidateBeforeFirstSearch() {
    const FileSearch search;
    QVERIFY(!search.mfnIsCandidate("a.ies"));
    QVERIFY(!search.mfnIsCandidate("."));
}

void TestPattern::caseOrder_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("less");

    QTest::newRow("letters ignore case") << "a"
                                         << "B" << true;
    QTest::newRow("letters ignore case, reversed") << "B"
                                                   << "a" << false;
    QTest::newRow("prefix first") << "ab"
                                  << "ABC" << true;
    QTest::newRow("underscore before letters") << "_x"
                                               << "a" << true;
    QTest::newRow("digits before letters") << "9"
                                           << "A" << true;
    QTest::newRow("case tie broken by bytes") << "A"
                                              << "a" << true;
    QTest::newRow("case tie broken by bytes, reversed") << "a"
                                                        << "A" << false;
    QTest::newRow("equal") << "a"
                           << "a" << false;
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

    QTest::newRow("lower") << "a.ies" << true;
    QTest::newRow("upper") << "A.IES" << true;
    QTest::newRow("mixed") << "b.Ies" << true;
    QTest::newRow("only the suffix") << ".ies" << true;
    QTest::newRow("inside") << "x.ies.bak" << false;
    QTest::newRow("no dot") << "aies" << false;
    QTest::newRow("short") << "ies" << false;
    QTest::newRow("empty") << "" << false;
}

void TestPattern::iesSuffix() {
    QFETCH(QString, name);
    QFETCH(bool, ends);
    QCOMPARE(endsWithIes(name.toStdString()), ends);
}

QTEST_GUILESS_MAIN(TestPattern)
#include "test_pattern.moc"
