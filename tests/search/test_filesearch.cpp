// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/filesearch.h"
#include "testsupport.h"

#include <QtTest>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <unistd.h>

using namespace tagmere;
using tagmere::test::TempFolder;
namespace fs = std::filesystem;

namespace {

// Builds entries below `root` from a ";"-separated list: "a/b.ies" is a file (with its
// folders), "a/" an empty folder, "name>target" a symbolic link (target as written).
void build(const std::string& root, const QString& entries) {
    fs::create_directories(root);
    for (const QString& entry : entries.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const std::string path = root + "/" + entry.section(QLatin1Char('>'), 0, 0).toStdString();
        fs::create_directories(fs::path(path).parent_path());
        if (entry.contains(QLatin1Char('>'))) {
            QCOMPARE(::symlink(entry.section(QLatin1Char('>'), 1).toStdString().c_str(), path.c_str()), 0);
        } else if (entry.endsWith(QLatin1Char('/'))) {
            fs::create_directories(path);
        } else {
            std::FILE* f = std::fopen(path.c_str(), "wb");
            QVERIFY(f != nullptr);
            std::fputs("IESNA:LM-63-2002\r\n", f);
            std::fclose(f);
        }
    }
}

// The found files as paths relative to `root`, in list order, joined by "|".
QString relativePaths(const FoundFilesList& found, const std::string& root) {
    QStringList parts;
    for (int i = 1; i <= found.count(); ++i)
        parts << QString::fromStdString(found.fullPath(i)).remove(QString::fromStdString(root + "/"));
    return parts.join(QLatin1Char('|'));
}

void row(const char* name, const char* pattern, const char* entries, const char* expected) {
    QTest::newRow(name) << QString::fromLatin1(pattern) << QString::fromLatin1(entries)
                        << QString::fromLatin1(expected);
}

} // namespace

class TestFileSearch : public QObject {
    Q_OBJECT

private slots:
    void foundOrder_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QString>("expected");
        row("subfolders last to first, each finished first, own files last", "*.ies",
            "A/A1/p.ies;A/q.ies;B/r.ies;s.ies;B/B2/t.ies;B/B1/u.ies",
            "B/B2/t.ies|B/B1/u.ies|B/r.ies|A/A1/p.ies|A/q.ies|s.ies");
        row("folders and files ordered and matched ignoring case", "*.ies", "b/1.ies;A/2.ies;C/3.ies;c.Ies;B.ies;a.IES",
            "C/3.ies|b/1.ies|A/2.ies|a.IES|B.ies|c.Ies");
        row("empty subfolders", "*.ies", "E/;F/G/;a.ies", "a.ies");
        row("only names ending in .ies", "*.ies", "x.ies.bak;readme.txt;aies;lamp.IES", "lamp.IES");
        row("folder named like a file is found and walked", "*.ies", "x.ies/inner.ies;a.ies",
            "x.ies/inner.ies|a.ies|x.ies");
        row("hidden files and folders (temporary files too) never found", "*.ies",
            ".h.ies;.hid/z.ies;.tagmere-1-a.ies.tmp;.tagmere-1-a.ies;v.ies", "v.ies");
        row("same item twice lists a file once", "abc.ies;abc.ies", "abc.ies;X/abc.ies;X/abd.ies", "X/abc.ies|abc.ies");
        row("star, or an extension that is not ies, finds nothing", "*;*.html", "a.ies;a.html;X/b.ies", "");
        row("star dot star finds only ies", "*.*", "a.ies;b.txt;X/c.IES", "X/c.IES|a.ies");
        row("name pattern", "lamp*.ies", "lamp1.ies;other.ies;X/LAMP2.IES", "X/LAMP2.IES|lamp1.ies");
        // Links are relative to the folder holding them.
        row("links to an ancestor or to itself", "*.ies", "a/a.ies;a/up>..;a/self>.", "a/a.ies");
        row("links both ways: walked once, first path wins", "*.ies", "a/x.ies;b/y.ies;a/tob>../b;b/toa>../a",
            "b/toa/x.ies|b/y.ies");
        row("links out of the searched folder are not walked", "*.ies",
            "../outside/o.ies;s.ies;l1>../outside;l2>../outside", "s.ies");
        row("link to a file is an entry, dangling links are not", "*.ies",
            "a.ies;b.ies>a.ies;dead.ies>nowhere;deaddir>nowhere", "a.ies|b.ies");
    }

    void foundOrder() {
        QFETCH(QString, pattern);
        QFETCH(QString, entries);
        QFETCH(QString, expected);

        TempFolder temp;
        const std::string root = temp.file("start");
        build(root, entries);
        for (const bool datesDuringWalk : {false, true}) {
            FileSearch search;
            search.datesDuringWalk = datesDuringWalk;
            FoundFilesList found;
            QVERIFY(!search.runSearch(pattern.toStdString(), root, found));
            QCOMPARE(relativePaths(found, root), expected);
            // Items are numbered 1..count(), and only those.
            QVERIFY_THROWS_EXCEPTION(std::out_of_range, found.item(0));
            QVERIFY_THROWS_EXCEPTION(std::out_of_range, found.item(found.count() + 1));
        }
    }

    void cancel() {
        TempFolder temp;
        const std::string root = temp.file("start");
        build(root, "a.ies;b.ies;X/x.ies;Y/y.ies");
        // Folders are entered in the order start, Y, X: stopping on entering X keeps Y's file,
        // whether the callback asks or clears the flag (a second search started meanwhile).
        for (const bool byFlag : {false, true}) {
            FileSearch search;
            FoundFilesList found;
            int calls = 0;
            SearchCallbacks callbacks;
            callbacks.stopRequested = [&](const std::string&) {
                const bool stop = ++calls == 3;
                if (stop && byFlag)
                    search.mblnSearching = false;
                return stop && !byFlag;
            };
            QVERIFY(search.runSearch(kDefaultFilePattern, root, found, callbacks));
            QCOMPARE(relativePaths(found, root), QStringLiteral("Y/y.ies"));
            QVERIFY(!search.mblnSearching);
        }
    }
};

QTEST_GUILESS_MAIN(TestFileSearch)
#include "test_filesearch.moc"
