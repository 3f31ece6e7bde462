// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/batch.h"
#include "files/platform.h"
#include "files/readfile.h"
#include "files/safefile.h"
#include "testsupport.h"

#include <QtTest>

#include <functional>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace tagmere;
using tagmere::test::readBytes;
using tagmere::test::TempFolder;

namespace {

const std::string kOld = "IESNA:LM-63-2002\r\n[MANUFAC] Old\r\nTILT=NONE\r\n1 2 3\r\n";
const std::string kNew = "IESNA:LM-63-2002\r\n[MANUFAC] New\r\nTILT=NONE\r\n1 2 3\r\n";

struct Outcome {
    BatchOutcome batch;
    std::vector<std::string> messages;
};

// A [MANUFAC] run over `targets` found below `root`; `between` runs after each file.
Outcome manufacRun(const std::vector<std::string>& targets, const std::string& root,
                   const std::function<void()>& between = {}) {
    Outcome out;
    MiscPanel panel;
    panel.chkManufac = true;
    panel.txtManufac = "New";
    BatchCallbacks callbacks;
    callbacks.message = [&](const Message& m) { out.messages.push_back(m.text); };
    callbacks.progress = [&](size_t, size_t) {
        if (between)
            between();
        return true;
    };
    BatchOptions options;
    options.root = root;
    out.batch = runBatch(targets, panel, {}, {}, callbacks, options);
    return out;
}

// Test hooks set for one scope.
struct Hooks {
    explicit Hooks(platform::TestHooks hooks) { platform::testHooks() = std::move(hooks); }
    ~Hooks() { platform::testHooks() = {}; }
};

// Another program writing `bytes` over `path` in place (same file) or by rename (a new file).
void writeInPlace(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
    QVERIFY(fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()));
    ::close(fd);
}
void writeByRename(TempFolder& dir, const std::string& path, const std::string& bytes) {
    QCOMPARE(::rename(dir.write("other.tmp", bytes).c_str(), path.c_str()), 0);
}

std::string attribute(const std::string& path, const char* name) {
    char value[256];
    const ssize_t n = ::getxattr(path.c_str(), name, value, sizeof value);
    return n < 0 ? std::string("(none)") : std::string(value, static_cast<size_t>(n));
}

bool have(const char* command) {
    return std::system((std::string("command -v ") + command + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace

class TestSafeFile : public QObject {
    Q_OBJECT

private slots:
    // Each row prepares lib/a.ies (kOld) and its surroundings, runs a [MANUFAC] edit
    // over it, and checks what a user must find afterwards.
    void replacement() {
        struct Row {
            const char* name;
            std::function<bool(TempFolder&, const std::string& file)> prepare; // false: cannot run here
            const char* refusedBecause;                                        // nullptr: written
            std::function<void(TempFolder&, const std::string& file)> check;
        };
        const bool root = ::geteuid() == 0;
        const std::vector<Row> rows = {
            {"plain file is written, mode kept",
             [](TempFolder&, const std::string& f) { return ::chmod(f.c_str(), 0640) == 0; }, nullptr,
             [](TempFolder&, const std::string& f) {
                 struct stat st {};
                 ::stat(f.c_str(), &st);
                 QCOMPARE(st.st_mode & 07777, mode_t(0640));
             }},
            {"no TILT line",
             [](TempFolder& d, const std::string&) {
                 d.write("lib/a.ies", "[MANUFAC] Old\r\n1 2\r\n");
                 return true;
             },
             "no TILT= line",
             [](TempFolder&, const std::string& f) {
                 QCOMPARE(readBytes(f), std::string("[MANUFAC] Old\r\n1 2\r\n"));
             }},
            {"write-protected",
             [](TempFolder&, const std::string& f) { return ::chmod(f.c_str(), 0444) == 0; },
             "Permission denied",
             {}},
            {"hard link",
             [](TempFolder& d, const std::string& f) { return ::link(f.c_str(), d.file("twin.ies").c_str()) == 0; },
             "2 hard links", [](TempFolder& d, const std::string&) { QCOMPARE(readBytes(d.file("twin.ies")), kOld); }},
            {"symbolic link out of the searched folder",
             [](TempFolder& d, const std::string& f) {
                 d.write("outside.ies", kOld);
                 ::unlink(f.c_str());
                 return ::symlink("../outside.ies", f.c_str()) == 0;
             },
             "outside", [](TempFolder& d, const std::string&) { QCOMPARE(readBytes(d.file("outside.ies")), kOld); }},
            {"symbolic link inside: its file is edited, the link stays",
             [](TempFolder& d, const std::string& f) {
                 d.write("lib/real.ies", kOld);
                 ::unlink(f.c_str());
                 return ::symlink("real.ies", f.c_str()) == 0;
             },
             nullptr,
             [](TempFolder& d, const std::string& f) {
                 struct stat st {};
                 ::lstat(f.c_str(), &st);
                 QVERIFY(S_ISLNK(st.st_mode));
                 QCOMPARE(readBytes(d.file("lib/real.ies")), kNew);
             }},
            {"extended attribute kept",
             [](TempFolder&, const std::string& f) { return ::setxattr(f.c_str(), "user.lab", "ACME", 4, 0) == 0; },
             nullptr,
             [](TempFolder&, const std::string& f) { QCOMPARE(attribute(f, "user.lab"), std::string("ACME")); }},
            {"ACL kept, group bits not widened",
             [](TempFolder&, const std::string& f) {
                 return have("setfacl") && std::system(("setfacl -m u:nobody:rw,m::r " + f).c_str()) == 0;
             },
             nullptr,
             [](TempFolder&, const std::string& f) {
                 QVERIFY(attribute(f, "system.posix_acl_access") != "(none)");
                 struct stat st {};
                 ::stat(f.c_str(), &st);
                 QCOMPARE(st.st_mode & 070, mode_t(040));
             }},
            {"no ACL from the folder's default ACL",
             [](TempFolder& d, const std::string& f) {
                 return ::chmod(f.c_str(), 0640) == 0 && have("setfacl") &&
                        std::system(("setfacl -d -m u:nobody:rw " + d.file("lib")).c_str()) == 0;
             },
             nullptr,
             [](TempFolder&, const std::string& f) {
                 QCOMPARE(attribute(f, "system.posix_acl_access"), std::string("(none)"));
                 struct stat st {};
                 ::stat(f.c_str(), &st);
                 QCOMPARE(st.st_mode & 07777, mode_t(0640));
             }},
            {"owner and group kept (root)",
             [root](TempFolder&, const std::string& f) {
                 const passwd* nobody = ::getpwnam("nobody");
                 const group* users = ::getgrnam("users");
                 return root && nobody && users && ::chown(f.c_str(), nobody->pw_uid, users->gr_gid) == 0;
             },
             nullptr,
             [](TempFolder&, const std::string& f) {
                 struct stat st {};
                 ::stat(f.c_str(), &st);
                 QCOMPARE(st.st_uid, ::getpwnam("nobody")->pw_uid);
                 QCOMPARE(st.st_gid, ::getgrnam("users")->gr_gid);
             }},
        };
        for (const Row& row : rows) {
            TempFolder dir;
            const std::string file = dir.write("lib/a.ies", kOld);
            if (!row.prepare(dir, file)) {
                qInfo("skipped here: %s", row.name);
                continue;
            }
            const std::string before = readBytes(file);
            const Outcome out = manufacRun({file}, dir.file("lib"));
            if (row.refusedBecause) {
                QVERIFY2(out.batch.refused == 1, row.name);
                QCOMPARE(readBytes(file), before);
                QVERIFY2(out.messages.size() == 1 && out.messages[0].find(row.refusedBecause) != std::string::npos,
                         row.name);
            } else {
                QVERIFY2(out.batch.written == 1 && out.messages.empty(), row.name);
                if (std::string(row.name).find("symbolic") == std::string::npos)
                    QCOMPARE(readBytes(file), kNew);
            }
            if (row.check)
                row.check(dir, file);
            QCOMPARE(test::listFolder(dir.file("lib")).size(),
                     std::string(row.name).find("inside") == std::string::npos ? size_t(1) : size_t(2));
        }
    }

    // As another user, a colleague's group-writable file is refused, never taken over.
    void colleaguesFileIsNotTakenOver() {
        if (::geteuid() != 0)
            QSKIP("needs root to act as two users");
        TempFolder dir;
        const std::string file = dir.write("lib/a.ies", kOld);
        ::chmod(dir.path().c_str(), 0777);
        ::chmod(dir.file("lib").c_str(), 0777);
        ::chmod(file.c_str(), 0666);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
            const Outcome out = manufacRun({file}, dir.file("lib"));
            ::_exit(out.batch.refused == 1 && readBytes(file) == kOld ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        struct stat st {};
        ::stat(file.c_str(), &st);
        QCOMPARE(st.st_uid, uid_t(0));
    }

    // A file changed by another writer after it was read is left with that writer's text.
    void otherWritersChangeIsNotLost() {
        TempFolder dir;
        const std::string first = dir.write("lib/a.ies", kOld);
        const std::string second = dir.write("lib/b.ies", kOld);
        bool appended = false;
        const Outcome out = manufacRun({first, second}, dir.file("lib"), [&] {
            if (!appended) {
                appended = true;
                dir.write("lib/a.ies", kOld + "4 5 6\r\n");
            }
        });
        QCOMPARE(readBytes(first), kOld + "4 5 6\r\n");
        QCOMPARE(readBytes(second), kNew);
        QCOMPARE(out.batch.failed, 1L);
        QVERIFY(out.messages.at(0).find("changed after it was read") != std::string::npos);
        QCOMPARE(test::listFolder(dir.file("lib")), (std::vector<std::string>{"a.ies", "b.ies"}));
    }

    // A save of a text shown to the user goes ahead only while the file is the one it was read from.
    void replaceOnlyOverTheFileAsRead() {
        struct Row {
            const char* name;
            std::function<void(TempFolder&)> change; // by another program, after the read
            std::string after;                       // "(none)": no file
        };
        const Row rows[] = {
            {"unchanged", [](TempFolder&) {}, kNew},
            {"rewritten", [](TempFolder& dir) { dir.write("a.ies", kOld + "4 5 6\r\n"); }, kOld + "4 5 6\r\n"},
            {"removed", [](TempFolder& dir) { ::unlink(dir.file("a.ies").c_str()); }, "(none)"},
        };
        for (const Row& row : rows) {
            TempFolder dir;
            const std::string file = dir.write("a.ies", kOld);
            std::string bytes;
            FileIdentity read;
            QVERIFY(readTextFile(file, bytes, &read).ok);
            row.change(dir);
            const Status status = replaceFile(file, kNew, read);
            QVERIFY2(status.ok == (row.after == kNew), row.name);
            QVERIFY2(status.ok || status.description.find("changed after it was read") != std::string::npos, row.name);
            QCOMPARE(QFile::exists(QString::fromStdString(file)) ? readBytes(file) : "(none)", row.after);
        }
    }

    // A library larger than the files one process may hold open at once.
    void moreFilesThanOpenFilesAllowed() {
        rlimit old{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &old), 0);
        rlimit low = old;
        low.rlim_cur = 200;
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
        TempFolder dir;
        std::vector<std::string> files;
        for (int i = 0; i < 300; ++i)
            files.push_back(dir.write("lib/" + std::to_string(i) + ".ies", kOld));
        const Outcome out = manufacRun(files, dir.file("lib"));
        ::setrlimit(RLIMIT_NOFILE, &old);
        QCOMPARE(out.batch.written, 300L);
    }

    // Other programs at work on lib/sub/a.ies while a run edits it, at the moment `when`
    // says. `after` is the file's text at the end ("(none)": no file; "(moved)": the text
    // went to the folder that was read, now lib/sub.old).
    void otherPrograms() {
        enum When { BeforeRun, ReadOnce, ReadAlways, BeforePlace, FolderFlushFails };
        struct Row {
            const char* name;
            When when;
            std::function<void(TempFolder&, const std::string& file)> act;
            std::string after;
            const char* failedBecause; // nullptr: written
        };
        const std::string other = kOld + "4 5 6\r\n";
        const auto swapFolder = [](TempFolder& d, const std::string&) {
            QCOMPARE(::rename(d.file("lib/sub").c_str(), d.file("lib/sub.old").c_str()), 0);
            QCOMPARE(::symlink("../victim", d.file("lib/sub").c_str()), 0);
        };
        const auto inPlace = [&](TempFolder&, const std::string& f) { writeInPlace(f, other); };
        const std::vector<Row> rows = {
            {"folder swapped for a link after the search", BeforeRun, swapFolder, kOld, "outside"},
            {"folder swapped for a link during the read", ReadOnce, swapFolder, "(moved)", nullptr},
            {"a writer in place during the read: the edit goes on its text", ReadOnce, inPlace, kNew + "4 5 6\r\n",
             nullptr},
            {"a writer in place that never stops", ReadAlways, inPlace, other, "kept writing"},
            {"a writer that renames its text over the file", BeforePlace,
             [&](TempFolder& d, const std::string& f) { writeByRename(d, f, other); }, other,
             "changed after it was read"},
            {"the file moved away is not made again", BeforePlace,
             [](TempFolder& d, const std::string& f) { ::rename(f.c_str(), d.file("lib/sub/b.ies").c_str()); },
             "(none)", "moved"},
            {"a folder that cannot be flushed", FolderFlushFails, {}, kNew, "could not be flushed"},
        };
        for (const Row& row : rows) {
            TempFolder dir;
            const std::string file = dir.write("lib/sub/a.ies", kOld);
            dir.write("victim/a.ies", kOld);
            int calls = 0;
            const auto act = [&](const std::string& = {}) {
                if (row.when != ReadOnce || calls++ == 0)
                    row.act(dir, file);
            };
            platform::TestHooks hooks;
            if (row.when == BeforeRun)
                act();
            else if (row.when == BeforePlace)
                hooks.beforePlace = act;
            else if (row.when == FolderFlushFails)
                hooks.folderFlush = [] { return EIO; };
            else
                hooks.duringRead = act;
            Outcome out;
            {
                const Hooks set(hooks);
                out = manufacRun({file}, dir.file("lib"));
            }
            QVERIFY2(out.batch.written == (row.failedBecause ? 0 : 1), row.name);
            QVERIFY2(!row.failedBecause ||
                         (out.messages.size() == 1 && out.messages[0].find(row.failedBecause) != std::string::npos),
                     row.name);
            QCOMPARE(readBytes(dir.file("victim/a.ies")), kOld);
            const std::string at = row.after == "(moved)" ? dir.file("lib/sub.old/a.ies") : file;
            QCOMPARE(QFile::exists(QString::fromStdString(at)) ? readBytes(at) : "(none)",
                     row.after == "(moved)" ? kNew : row.after);
            // No temporary file is left behind, wherever the folder went.
            for (const char* folder : {"lib/sub/", "lib/sub.old", "victim"}) {
                const QDir left(QString::fromStdString(dir.file(folder)));
                QVERIFY2(left.entryList({QStringLiteral("*tagmere*")}, QDir::AllEntries | QDir::Hidden).isEmpty(),
                         row.name);
            }
        }
    }

    // Backups go below the backup folder only, never through a link, and are no more
    // readable than the file they copy.
    void backups() {
        struct Row {
            const char* name;
            const char* relative;                   // below the backup folder
            std::function<void(TempFolder&)> plant; // prepares the backup folder
            const char* copy;                       // where the copy lands; nullptr: refused
        };
        const Row rows[] = {
            {"private file, private folders", "sub/deeper/a.ies", {}, "backup/sub/deeper/a.ies"},
            {"a path that climbs out", "sub/../../a.ies", {}, nullptr},
            {"a link planted in the backup folder", "sub/a.ies",
             [](TempFolder& d) {
                 QVERIFY(QDir().mkpath(QString::fromStdString(d.file("backup"))));
                 QVERIFY(QDir().mkpath(QString::fromStdString(d.file("elsewhere"))));
                 QCOMPARE(::symlink("../elsewhere", d.file("backup/sub").c_str()), 0);
             },
             nullptr},
        };
        for (const Row& row : rows) {
            TempFolder dir;
            const std::string file = dir.write("lib/a.ies", kOld);
            QCOMPARE(::chmod(file.c_str(), 0600), 0);
            QCOMPARE(::chmod(dir.file("lib").c_str(), 0700), 0);
            if (row.plant)
                row.plant(dir);
            MiscPanel panel;
            panel.chkManufac = true;
            panel.txtManufac = "New";
            BatchCallbacks callbacks;
            const std::string relative = row.relative;
            callbacks.backupPath = [relative](const std::string&, const std::string&) { return relative; };
            BatchOptions options;
            options.root = dir.file("lib");
            options.backupFolder = dir.file("backup");
            const BatchOutcome out = runBatch({file}, panel, {}, {}, callbacks, options);
            QVERIFY2(out.written == (row.copy ? 1 : 0), row.name);
            QCOMPARE(readBytes(file), row.copy ? kNew : kOld);
            QVERIFY2(!QFile::exists(QString::fromStdString(dir.file("a.ies"))), row.name);
            QVERIFY2(!QFile::exists(QString::fromStdString(dir.file("elsewhere/a.ies"))), row.name);
            if (!row.copy)
                continue;
            QCOMPARE(readBytes(dir.file(row.copy)), kOld);
            struct stat st {};
            QCOMPARE(::stat(dir.file(row.copy).c_str(), &st), 0);
            QCOMPARE(st.st_mode & 07777, mode_t(0600));
            for (const char* folder : {"backup/sub", "backup/sub/deeper"}) {
                QCOMPARE(::stat(dir.file(folder).c_str(), &st), 0);
                QCOMPARE(st.st_mode & 07777, mode_t(0700));
            }
        }
    }

    void staleTemporariesOnlyOurs() {
        TempFolder dir;
        const std::string stale = ".~tagmere-0123456789abcdef.tmp";
        dir.write(stale, "half");
        dir.write(".~tagmere-notes.tmp", "a user's own file");
        dir.write(".~tagmere-0123456789abcdef00.tmp", "two hex digits too many: not ours");
        QVERIFY(QDir().mkpath(QString::fromStdString(dir.file(".~tagmere-fedcba9876543210.tmp"))));
        const std::string live = dir.write(".~tagmere-00000000000000aa.tmp", "in progress");
        const int held = ::open(live.c_str(), O_RDONLY);
        QVERIFY(::flock(held, LOCK_EX) == 0);
        QCOMPARE(removeStaleTemporaries(dir.path()), 1);
        ::close(held);
        QCOMPARE(test::listFolder(dir.path()),
                 (std::vector<std::string>{".~tagmere-00000000000000aa.tmp", ".~tagmere-0123456789abcdef00.tmp",
                                           ".~tagmere-fedcba9876543210.tmp", ".~tagmere-notes.tmp"}));
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "test_safefile.moc"
