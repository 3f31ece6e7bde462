// SPDX-License-Identifier: GPL-3.0-or-later
#include "safefile.h"

#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

// The system calls of the replacement live in platform_posix.cpp and
// platform_windows.cpp; the order of the steps, the same on every system, is here.

namespace tagmere {

namespace {

constexpr std::string_view kTempPrefix = ".~tagmere-";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr size_t kTempRandomDigits = 16;
// Folder locks held at once before a run commits and lets go of them.
constexpr size_t kMaxFolderLocks = 32;

} // namespace

namespace platform {

Status tooLarge(long long maxBytes) {
    return Status::failure("it is larger than " + std::to_string(maxBytes / (1024 * 1024)) +
                           " MB, more than this program reads");
}

std::string temporaryFileName() {
    static std::mt19937_64 rng(std::random_device{}() ^ (static_cast<unsigned long long>(processId()) << 32));
    static const char* const hex = "0123456789abcdef";
    unsigned long long r = rng();
    std::string name(kTempPrefix);
    for (size_t i = 0; i < kTempRandomDigits; ++i, r >>= 4)
        name += hex[r & 15];
    return name += kTempSuffix;
}

bool matchesTemporaryPattern(std::string_view name) {
    if (name.size() != kTempPrefix.size() + kTempRandomDigits + kTempSuffix.size() ||
        name.compare(0, kTempPrefix.size(), kTempPrefix) != 0 ||
        name.compare(name.size() - kTempSuffix.size(), kTempSuffix.size(), kTempSuffix) != 0)
        return false;
    for (char c : name.substr(kTempPrefix.size(), kTempRandomDigits)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

TestHooks& testHooks() {
    static TestHooks hooks;
    return hooks;
}

} // namespace platform

int removeStaleTemporaries(const std::string& folder) {
    EditTarget target;
    target.folder = folder;
    if (!platform::openFolder({}, folder, target.dir).ok)
        return 0;
    return platform::removeStaleTemporaries(target);
}

struct FileReplacer::Impl {
    struct Lock {
        FileIdentity folder;
        std::unique_ptr<platform::FolderLock> lock;
    };
    // One temporary file waiting for its flush and rename.
    struct Staged {
        std::string path; // the file it replaces (or, for a backup, the name wanted)
        std::unique_ptr<platform::TempFile> temp;
        FileIdentity identity;
        bool isBackup = false;
        bool failed = false;
        long journalLine = -1; // its line in the run journal, once recorded
        Done done;
    };

    size_t chunk = 1;
    size_t maxLocks = kMaxFolderLocks;
    RunJournal* journal = nullptr;
    std::vector<Lock> locks;
    std::vector<Staged> staged;

    bool holds(const FileIdentity& folder) const {
        return std::any_of(locks.begin(), locks.end(), [&](const Lock& l) {
            return l.folder.device == folder.device && l.folder.inode == folder.inode;
        });
    }

    Status stageTemp(const EditTarget& where, Staged&& entry, std::string_view bytes, const EditTarget* like) {
        if (Status status = platform::writeTemporary(where, bytes, like, entry.temp); !status.ok)
            return status;
        staged.push_back(std::move(entry));
        return Status::success();
    }

    // `placed`: the temporary file is in place already, so there is nothing to discard.
    void finish(Staged& s, const Status& status, bool placed = false) {
        if (!status.ok) {
            s.failed = true;
            if (!placed)
                platform::discard(*s.temp);
            // Its journal line stands for a replacement that did not happen: undo skips it.
            if (!placed && journal && s.journalLine >= 0)
                journal->unplaced(s.journalLine);
        }
        if (s.done)
            s.done(s.path, status);
    }

    // Nothing is renamed before the data of the whole chunk is durable; a backup goes in
    // place before the file it protects, and a file whose backup failed stays as it is.
    void commit() {
        if (staged.empty())
            return;
        std::vector<platform::TempFile*> temps;
        for (auto& s : staged)
            temps.push_back(s.temp.get());
        const std::vector<Status> durable = platform::makeDurable(temps, chunk == 1);
        // The old texts first: a file renamed before its journal line is durable could not
        // be taken back after a power cut.
        const Status journalled = journal ? journal->flush() : Status::success();
        for (size_t i = 0; i < staged.size(); ++i) {
            if (!durable[i].ok)
                finish(staged[i], durable[i]);
            else if (!journalled.ok)
                finish(staged[i], journalled);
        }
        std::vector<platform::TempFile*> placed;
        std::vector<Staged*> placedEntries;
        bool backupFailed = false;
        for (auto& s : staged) {
            if (s.failed) {
                backupFailed = s.isBackup;
                continue;
            }
            Status status = Status::failure("its backup could not be written");
            if (s.isBackup || !backupFailed) {
                if (s.isBackup)
                    status = platform::placeBackup(*s.temp, s.path);
                else
                    status = platform::placeOver(*s.temp, s.path, s.identity);
            }
            if (s.isBackup)
                backupFailed = !status.ok;
            if (status.ok) {
                placed.push_back(s.temp.get());
                placedEntries.push_back(&s);
            } else {
                finish(s, status);
            }
        }
        // Written means durable: a file whose folder could not be flushed may come back old
        // after a power cut, so it counts as failed.
        const std::vector<Status> flushed = platform::syncFolders(placed);
        for (size_t i = 0; i < placedEntries.size(); ++i)
            finish(*placedEntries[i], flushed[i], true);
        staged.clear();
    }
};

FileReplacer::FileReplacer(size_t chunk) : m_impl(std::make_unique<Impl>()) {
    // A staged file holds a descriptor (two with its backup) and a lock one: under a low
    // limit the chunks and the locks held shrink, so a run never runs out of them.
    const size_t budget = platform::openFileLimit() > 16 ? (platform::openFileLimit() - 16) / 4 : 1;
    m_impl->chunk = std::max<size_t>(1, std::min(chunk, budget));
    m_impl->maxLocks = std::max<size_t>(1, std::min(kMaxFolderLocks, budget));
}

FileReplacer::~FileReplacer() {
    // Only commit() puts files in place: what is still staged was never meant to be written.
    for (auto& s : m_impl->staged)
        platform::discard(*s.temp);
}

Status FileReplacer::lockFolder(const EditTarget& target, const std::function<void(const std::string&)>& waiting) {
    const std::string& folder = target.folder;
    const platform::PathState state = platform::lookUpFolder(target);
    if (!state.status.ok)
        return state.status;
    if (m_impl->holds(state.identity))
        return Status::success();
    if (m_impl->locks.size() >= m_impl->maxLocks) {
        commit();
        m_impl->locks.clear();
    }
    std::unique_ptr<platform::FolderLock> lock;
    if (Status status = platform::lockFolder(target, state.identity, false, lock); !status.ok)
        return status;
    if (!lock) {
        // Holding nothing while waiting, two runs can never wait for each other.
        if (waiting)
            waiting(folder);
        commit();
        m_impl->locks.clear();
        if (Status status = platform::lockFolder(target, state.identity, true, lock); !status.ok)
            return status;
    }
    m_impl->locks.push_back({state.identity, std::move(lock)});
    platform::removeStaleTemporaries(target);
    return Status::success();
}

void FileReplacer::setJournal(RunJournal* journal) {
    m_impl->journal = journal;
}

Status FileReplacer::stage(const EditTarget& target, const FileIdentity& identity, std::string_view oldBytes,
                           std::string_view bytes, Done done, const Backup* backup) {
    if (identity.size >= 0) {
        const platform::PathState now = platform::lookUp(target);
        if (!now.status.ok)
            return now.status;
        if (!now.identity.sameFile(identity))
            return Status::failure(platform::kChangedAfterRead);
    }
    if (const std::string why = refusalReason(target, identity); !why.empty())
        return Status::failure(why);

    const size_t firstNew = m_impl->staged.size();
    if (backup) {
        EditTarget folder;
        const std::filesystem::path plain = std::filesystem::u8path(backup->relative).lexically_normal();
        if (!plain.empty() && *plain.begin() == "..")
            return Status::failure("its backup path " + backup->relative + " climbs out of the backup folder");
        const std::string relativeFolder = platform::folderOf(plain.u8string());
        if (Status status = platform::openFolderBelow(backup->base, relativeFolder, folder); !status.ok)
            return Status::failure("cannot make the backup folder " + folder.folder + ": " + status.description);
        Impl::Staged entry;
        entry.path = folder.folder + "/" + platform::fileNameOf(backup->relative);
        entry.isBackup = true;
        if (Status status = m_impl->stageTemp(folder, std::move(entry), oldBytes, &target); !status.ok)
            return Status::failure("backup to " + folder.folder + " failed: " + status.description);
    }
    Impl::Staged entry;
    entry.path = target.path;
    entry.identity = identity;
    entry.done = std::move(done);
    Status status = m_impl->stageTemp(target, std::move(entry), bytes, identity.size >= 0 ? &target : nullptr);
    if (status.ok && m_impl->journal && identity.size >= 0) {
        status = m_impl->journal->record(target.path, identity, oldBytes,
                                         platform::temporaryIdentity(*m_impl->staged.back().temp), bytes);
        if (status.ok)
            m_impl->staged.back().journalLine = m_impl->journal->files() - 1;
    }
    if (!status.ok) {
        // Neither the file nor its backup is written: the staged entries go without a word,
        // the caller hears why once.
        for (size_t i = firstNew; i < m_impl->staged.size(); ++i) {
            m_impl->staged[i].done = nullptr;
            m_impl->finish(m_impl->staged[i], status);
        }
        m_impl->staged.resize(firstNew);
        return status;
    }
    if (m_impl->staged.size() >= m_impl->chunk)
        commit();
    return Status::success();
}

void FileReplacer::commit() {
    m_impl->commit();
}

namespace {

// `expected`: the file as it was read, or nullptr to take it as it is now.
Status replaceOne(const std::string& path, std::string_view bytes, const FileIdentity* expected, RunJournal* journal) {
    EditTarget target;
    FileIdentity identity;
    const platform::PathState given = platform::lookUp(path, false);
    if (given.missing) {
        // Gone since it was read: saving would bring back what its remover meant to drop.
        if (expected && expected->size >= 0)
            return Status::failure(platform::kChangedAfterRead);
        target = {path, platform::folderOf(path), platform::fileNameOf(path), false, nullptr};
        if (Status status = platform::openFolder({}, target.folder, target.dir); !status.ok)
            return status;
    } else if (!given.status.ok) {
        return given.status;
    } else {
        if (Status status = resolveEditTarget(path, {}, target); !status.ok)
            return status;
        const platform::PathState real = platform::lookUp(target.path, true);
        if (!real.status.ok)
            return real.status;
        if (real.folder)
            return Status::failure(std::strerror(EISDIR));
        identity = expected ? *expected : real.identity;
    }
    // The journal keeps the text as it is now, which must be the text that was read.
    std::string oldBytes;
    if (journal && identity.size >= 0) {
        FileIdentity now;
        if (Status read = readWholeFile(target, oldBytes, -1, &now); !read.ok)
            return read;
        if (!now.sameFile(identity))
            return Status::failure(platform::kChangedAfterRead);
    }
    Status result;
    {
        FileReplacer replacer(1);
        replacer.setJournal(journal);
        const Status staged =
            replacer.stage(target, identity, oldBytes, bytes, [&](const std::string&, const Status& s) { result = s; });
        if (!staged.ok)
            return staged;
        replacer.commit();
    }
    return result;
}

} // namespace

Status replaceFile(const std::string& path, std::string_view bytes) {
    return replaceOne(path, bytes, nullptr, nullptr);
}

Status replaceFile(const std::string& path, std::string_view bytes, const FileIdentity& expected, RunJournal* journal) {
    return replaceOne(path, bytes, &expected, journal);
}

} // namespace tagmere
