// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/filesearch.h"
#include "testsupport.h"

#include <QtTest>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tagmere;
using tagmere::test::TempFolder;
namespace fs = std::filesystem;

namespace {

QString q(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<int>(s.size()));
}

// Builds entries below `root` from a ";"-separated list: "a/b.ies" is a file (with its
// folders), "a/" an empty folder.
void build(const std::string& root, const QString& entries) {
    fs::create_directories(root);
    for (const QString& entry : entries.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const std::string path = root + "/" + entry.toStdString();
        if (entry.endsWith(QLatin1Char('/'))) {
            fs::create_directories(path);
        } else {
            fs::create_directories(fs::path(path).parent_path());
            std::FILE* f = std::fopen(path.c_str(), "wb");
            QVERIFY(f != nullptr);
            std::fputs("IESNA:LM-63-2002\r\n", f);
            std::fclose(f);
        }
    }
}

// Symbolic links below `root` from "name>target;..." (targets as written).
void link(const std::string& root, const QString& links) {
    for (const QString& l : links.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList parts = l.split(QLatin1Char('>'));
        QCOMPARE(parts.size(), 2);
        const std::string name = root + "/" + parts[0].toStdString();
        fs::create_directories(fs::path(name).parent_path());
        QCOMPARE(::symlink(parts[1].toStdString().c_str(), name.c_str()), 0);
    }
}

// The found files as paths relative to `root`, in list order, joined by "|".
QString relativePaths(const FoundFilesList& found, const std::string& root) {
    const std::string prefix = root + "/";
    QStringList parts;
    for (int i = 1; i <= found.count(); ++i) {
        std::string path = found.fullPath(i);
        if (path.compare(0, prefix.size(), prefix) == 0)
            path.erase(0, prefix.size());
        parts << q(path);
    }
    return parts.join(QLatin1Char('|'));
}

QString searchAll(const std::string& root, const std::string& pattern = kDefaultFilePattern) {
    FileSearch search;
    FoundFilesList found;
    search.runSearch(pattern, root, found);
    return relativePaths(found, root);
}

} // namespace

class TestFileSearch : public QObject {
    Q_OBJECT

private slots:
    void foundOrder_data();
    void foundOrder();
    void cancel_data();
    void cancel();
    void links_data();
    void links();
};

void TestFileSearch::foundOrder_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("entries");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const char* pattern, const char* entries, const char* expected) {
        QTest::newRow(name) << QString::fromLatin1(pattern) << QString::fromLatin1(entries)
                            << QString::fromLatin1(expected);
    };
    row("subfolders last to first, own files last", "*.ies", "a.ies;b.ies;X/x.ies;Y/y.ies",
        "Y/y.ies|X/x.ies|a.ies|b.ies");
    row("nested levels", "*.ies", "A/A1/p.ies;A/q.ies;B/r.ies;s.ies;B/B2/t.ies;B/B1/u.ies",
        "B/B2/t.ies|B/B1/u.ies|B/r.ies|A/A1/p.ies|A/q.ies|s.ies");
    row("subfolders ordered ignoring case", "*.ies", "b/1.ies;A/2.ies;C/3.ies", "C/3.ies|b/1.ies|A/2.ies");
    row("own files ordered and matched ignoring case", "*.ies", "c.Ies;B.ies;a.IES", "a.IES|B.ies|c.Ies");
    row("empty start folder", "*.ies", "", "");
    row("empty subfolders", "*.ies", "E/;F/G/;a.ies", "a.ies");
    row("ies inside the name is not found", "*.ies", "x.ies.bak;y.ies", "y.ies");
    row("other files left out", "*.ies", "readme.txt;a.ies.txt;aies;lamp.IES", "lamp.IES");
    row("folder named like a file is found and walked", "*.ies", "x.ies/inner.ies;a.ies",
        "x.ies/inner.ies|a.ies|x.ies");
    row("hidden files and folders never found", "*.ies", ".h.ies;.hid/z.ies;.hid/;v.ies", "v.ies");
    row("temporary files never found", "*.ies", ".tagmere-1-a.ies.tmp;.tagmere-1-a.ies", "");
    row("same item twice lists a file once", "abc.ies;abc.ies", "abc.ies;X/abc.ies;X/abd.ies", "X/abc.ies|abc.ies");
    row("star finds nothing", "*", "a.ies;X/b.ies", "");
    row("star dot star finds only ies", "*.*", "a.ies;b.txt;X/c.IES", "X/c.IES|a.ies");
    row("long extension finds nothing", "*.html", "a.ies;a.html", "");
    row("name pattern", "lamp*.ies", "lamp1.ies;other.ies;X/LAMP2.IES", "X/LAMP2.IES|lamp1.ies");
}

void TestFileSearch::foundOrder() {
    QFETCH(QString, pattern);
    QFETCH(QString, entries);
    QFETCH(QString, expected);

    TempFolder temp;
    const std::string root = temp.file("start");
    build(root, entries);
    QCOMPARE(searchAll(root, pattern.toStdString()), expected);
}

void TestFileSearch::cancel_data() {
    QTest::addColumn<int>("stopAt");
    QTest::addColumn<bool>("byFlag");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("abandoned");

    // Folders are entered in the order start, Y, X.
    QTest::newRow("never stopped") << 0 << false << "Y/y.ies|X/x.ies|a.ies|b.ies" << false;
    QTest::newRow("stopped at the start folder") << 1 << false << "" << true;
    QTest::newRow("stopped entering X keeps Y's file") << 3 << false << "Y/y.ies" << true;
    QTest::newRow("flag cleared entering X keeps Y's file") << 3 << true << "Y/y.ies" << true;
}

void TestFileSearch::cancel() {
    QFETCH(int, stopAt);
    QFETCH(bool, byFlag);
    QFETCH(QString, expected);
    QFETCH(bool, abandoned);

    TempFolder temp;
    const std::string root = temp.file("start");
    build(root, "a.ies;b.ies;X/x.ies;Y/y.ies");

    FileSearch search;
    FoundFilesList found;
    int calls = 0;
    SearchCallbacks callbacks;
    callbacks.stopRequested = [&](const std::string&) {
        if (++calls != stopAt)
            return false;
        if (byFlag) {
            search.mblnSearching = false;
            return false;
        }
        return true;
    };
    QCOMPARE(search.runSearch(kDefaultFilePattern, root, found, callbacks), abandoned);
    QCOMPARE(relativePaths(found, root), expected);
    QVERIFY(!search.mblnSearching);
}

void TestFileSearch::links_data() {
    QTest::addColumn<QString>("entries");
    QTest::addColumn<QString>("links");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const char* entries, const char* links, const char* expected) {
        QTest::newRow(name) << QString::fromLatin1(entries) << QString::fromLatin1(links)
                            << QString::fromLatin1(expected);
    };
    // Links are relative to the folder holding them; "start" is the search's folder.
    row("link to an ancestor", "start/a/a.ies", "start/a/up>..", "a/a.ies");
    row("link to itself", "start/a/a.ies", "start/a/self>.", "a/a.ies");
    row("link to a sibling: walked once, first path wins", "start/a/a.ies", "start/b>a", "b/a.ies");
    row("links both ways", "start/a/x.ies;start/b/y.ies", "start/a/tob>../b;start/b/toa>../a", "b/toa/x.ies|b/y.ies");
    row("links to an outside folder are not walked", "outside/o.ies;start/s.ies",
        "start/l1>../outside;start/l2>../outside", "s.ies");
    row("dangling links", "start/a.ies", "start/dead.ies>nowhere;start/deaddir>nowhere", "a.ies");
    row("link to a file is an entry", "start/a.ies", "start/b.ies>a.ies", "a.ies|b.ies");
}

void TestFileSearch::links() {
    QFETCH(QString, entries);
    QFETCH(QString, links);
    QFETCH(QString, expected);

    TempFolder temp;
    build(temp.path(), entries);
    link(temp.path(), links);
    const std::string root = temp.file("start");
    for (const bool datesDuringWalk : {false, true}) {
        FileSearch search;
        search.datesDuringWalk = datesDuringWalk;
        FoundFilesList found;
        QVERIFY(!search.runSearch(kDefaultFilePattern, root, found));
        QCOMPARE(relativePaths(found, root), expected);
    }
}

QTEST_GUILESS_MAIN(TestFileSearch)
#include "test_filesearch.moc"
