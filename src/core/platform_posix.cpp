// SPDX-License-Identifier: GPL-3.0-or-later
#include "placeorder.h"
#include "platform.h"
#include "safefile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tagmere {

namespace {

// Folder locks held at once before a run commits and lets go of them.
constexpr size_t kMaxFolderLocks = 32;

std::string errnoText(int error) {
    return std::strerror(error);
}

// A file descriptor closed on every way out.
class Fd final {
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& o) noexcept : m_fd(std::exchange(o.m_fd, -1)) {}
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) {
            reset();
            m_fd = std::exchange(o.m_fd, -1);
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports the error a late write may surface there.
    int close() {
        const int r = m_fd >= 0 ? ::close(m_fd) : 0;
        m_fd = -1;
        return r;
    }
    void reset() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

FileIdentity identityOf(const struct stat& st) {
    FileIdentity id;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.modifiedSec = st.st_mtim.tv_sec;
    id.modifiedNsec = st.st_mtim.tv_nsec;
    id.links = st.st_nlink;
    id.owner = st.st_uid;
    id.mode = st.st_mode;
    return id;
}

std::string folderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path().string() : std::string(".");
}

bool writeAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// Write protection comes from the permission bits, not from whether open() would
// succeed: root may open anything, yet a read-only file must stay read-only.
bool isWriteProtected(mode_t mode, const std::string& path, bool folder) {
    if ((mode & S_IWUSR) == 0)
        return true;
    return ::access(path.c_str(), folder ? (W_OK | X_OK) : W_OK) != 0;
}

// Copies every extended attribute (POSIX ACLs among them) from one open file to another.
FileStatus copyAttributes(int from, int to) {
    ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size < 0)
        return errno == ENOTSUP ? FileStatus::success() : FileStatus::failure(errnoText(errno));
    std::vector<char> names(static_cast<size_t>(size) + 1);
    size = ::flistxattr(from, names.data(), names.size());
    if (size < 0)
        return FileStatus::failure(errnoText(errno));
    std::vector<char> value;
    for (const char* name = names.data(); name < names.data() + size; name += std::strlen(name) + 1) {
        ssize_t length = ::fgetxattr(from, name, nullptr, 0);
        if (length >= 0) {
            value.resize(static_cast<size_t>(length) + 1);
            length = ::fgetxattr(from, name, value.data(), value.size());
        }
        if (length < 0 || ::fsetxattr(to, name, value.data(), static_cast<size_t>(length), 0) != 0)
            return FileStatus::failure("cannot keep its attribute " + std::string(name) + ": " + errnoText(errno));
    }
    return FileStatus::success();
}

// Makes everything written to the file system that holds `fd` durable. The error a
// write-back met since `fd` was opened is reported here.
int syncFileSystemOf(int fd) {
    return ::syncfs(fd) == 0 ? 0 : errno;
}

} // namespace

FileStatus readWholeFile(const std::string& path, std::string& bytes, long long maxBytes, FileIdentity* identity) {
    bytes.clear();
    auto tooLarge = [maxBytes] {
        return FileStatus::failure("it is larger than " + std::to_string(maxBytes / (1024 * 1024)) +
                                   " MB, too large for a photometric file");
    };
    // Non-blocking, so that a pipe or device given by name cannot hang the read.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid())
        return FileStatus::failure(errnoText(errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return FileStatus::failure(errnoText(errno));
    if (S_ISDIR(st.st_mode))
        return FileStatus::failure(errnoText(EISDIR));
    if (!S_ISREG(st.st_mode))
        return FileStatus::failure("it is not a regular file");
    if (maxBytes >= 0 && st.st_size > maxBytes)
        return tooLarge();
    if (identity)
        *identity = identityOf(st);
    bytes.reserve(static_cast<size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return FileStatus::failure(errnoText(errno));
        }
        bytes.append(chunk, static_cast<size_t>(n));
        // A file that grows while it is read is held to the limit too.
        if (maxBytes >= 0 && static_cast<long long>(bytes.size()) > maxBytes)
            return tooLarge();
    }
    return FileStatus::success();
}

FileStatus resolveEditTarget(const std::string& path, const std::string& root, EditTarget& target) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return FileStatus::failure(errnoText(errno));
    const fs::path given(path);
    if (!S_ISLNK(st.st_mode)) {
        target = {path, folderOf(given), given.filename().string()};
        return FileStatus::success();
    }
    std::error_code ec;
    const fs::path real = fs::canonical(given, ec);
    if (ec)
        return FileStatus::failure(ec.message());
    const fs::path inside = fs::canonical(root.empty() ? fs::path(folderOf(given)) : fs::path(root), ec);
    if (ec)
        return FileStatus::failure(ec.message());
    const std::string prefix = inside.string() == "/" ? "/" : inside.string() + "/";
    target.escapes = real.string().compare(0, prefix.size(), prefix) != 0;
    if (target.escapes)
        return FileStatus::failure("it is a symbolic link to " + real.string() + ", outside " + inside.string());
    target = {real.string(), real.parent_path().string(), real.filename().string()};
    return FileStatus::success();
}

std::string refusalReason(const EditTarget& target, const FileIdentity& identity) {
    if (identity.size < 0)
        return {};
    if (isWriteProtected(identity.mode, target.path, false))
        return errnoText(EACCES);
    if (identity.links > 1)
        return "it has " + std::to_string(identity.links) + " hard links, and replacing it would split them";
    if (::geteuid() != 0 && identity.owner != ::geteuid())
        return "it belongs to another user, and replacing it would make it yours";
    struct stat folder {};
    if (::stat(target.folder.c_str(), &folder) != 0)
        return errnoText(errno);
    if (isWriteProtected(folder.st_mode, target.folder, true))
        return errnoText(EACCES);
    return {};
}

struct FileReplacer::Impl {
    struct Lock {
        unsigned long long device;
        unsigned long long inode;
        Fd fd;
    };
    // One temporary file waiting for its flush and rename.
    struct Staged {
        std::string path; // the file it replaces (or, for a backup, the name wanted)
        int folderFd;     // borrowed from a lock or from `ownFolder`
        Fd ownFolder;     // a folder no lock holds
        std::string temp; // name in that folder
        Fd fd;            // kept open (and locked) until the rename
        FileIdentity identity;
        bool isBackup = false;
        bool failed = false;
        Done done;
    };

    size_t chunk;
    std::vector<Lock> locks;
    std::vector<Staged> staged;

    int lockedFolderFd(const struct stat& st) const {
        for (const auto& lock : locks) {
            if (lock.device == st.st_dev && lock.inode == st.st_ino)
                return lock.fd.get();
        }
        return -1;
    }

    // Writes `bytes` to a new temporary file in the folder and stages it.
    FileStatus stageTemp(const std::string& folder, Staged&& entry, std::string_view bytes, int original) {
        struct stat folderStat {};
        Fd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folderFd.valid() || ::fstat(folderFd.get(), &folderStat) != 0)
            return FileStatus::failure(errnoText(errno));
        entry.folderFd = lockedFolderFd(folderStat);
        if (entry.folderFd < 0) {
            entry.ownFolder = std::move(folderFd);
            entry.folderFd = entry.ownFolder.get();
        }
        entry.temp = platform::temporaryFileName();
        entry.fd = Fd(::openat(entry.folderFd, entry.temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!entry.fd.valid())
            return FileStatus::failure(errnoText(errno));
        // The lock tells a cleanup in another process that this file is alive.
        ::flock(entry.fd.get(), LOCK_EX);
        auto fail = [&](FileStatus status) {
            ::unlinkat(entry.folderFd, entry.temp.c_str(), 0);
            return status;
        };
        if (!writeAll(entry.fd.get(), bytes))
            return fail(FileStatus::failure(errnoText(errno)));
        if (original >= 0) {
            struct stat st {};
            if (::fstat(original, &st) != 0)
                return fail(FileStatus::failure(errnoText(errno)));
            // Keep the owner when we can (root) and always the group: a colleague's
            // group access must not change with the edit.
            const uid_t owner = ::geteuid() == 0 ? st.st_uid : static_cast<uid_t>(-1);
            if (::fchown(entry.fd.get(), owner, st.st_gid) != 0)
                return fail(FileStatus::failure("cannot keep its group: " + errnoText(errno)));
            if (::fchmod(entry.fd.get(), st.st_mode & 07777) != 0)
                return fail(FileStatus::failure(errnoText(errno)));
            // After the mode: an ACL sets the group bits from its mask.
            if (FileStatus copied = copyAttributes(original, entry.fd.get()); !copied.ok)
                return fail(copied);
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            if (::fchmod(entry.fd.get(), 0666 & ~mask) != 0)
                return fail(FileStatus::failure(errnoText(errno)));
        }
        staged.push_back(std::move(entry));
        return FileStatus::success();
    }

    void finish(Staged& s, const FileStatus& status) {
        if (!status.ok) {
            s.failed = true;
            ::unlinkat(s.folderFd, s.temp.c_str(), 0);
        }
        if (s.done)
            s.done(s.path, status);
    }

    // Flushes every staged file: one call per file system, or fsync for a single file.
    void flush() {
        if (chunk == 1) {
            for (auto& s : staged) {
                if (::fsync(s.fd.get()) != 0)
                    finish(s, FileStatus::failure(errnoText(errno)));
            }
            return;
        }
        std::vector<std::pair<dev_t, int>> devices; // device, its result
        for (auto& s : staged) {
            struct stat st {};
            ::fstat(s.fd.get(), &st);
            int result = -1;
            for (const auto& [device, r] : devices) {
                if (device == st.st_dev)
                    result = r;
            }
            if (result < 0) {
                // The first file staged on this device was opened before any data of
                // this chunk was written, so its syncfs reports every write-back error.
                result = syncFileSystemOf(s.fd.get());
                devices.emplace_back(st.st_dev, result);
            }
            if (result != 0)
                finish(s, FileStatus::failure("the data could not be made durable: " + errnoText(result)));
        }
    }

    // Places a backup under its name, or the next free "NAME.~N~"; never over a file.
    FileStatus placeBackup(Staged& s) {
        std::string name = fs::path(s.path).filename().string();
        for (int n = 1; n < 1000; ++n) {
            if (::linkat(s.folderFd, s.temp.c_str(), s.folderFd, name.c_str(), 0) == 0) {
                ::unlinkat(s.folderFd, s.temp.c_str(), 0);
                return FileStatus::success();
            }
            if (errno != EEXIST)
                return FileStatus::failure("backup to " + s.path + " failed: " + errnoText(errno));
            name = fs::path(s.path).filename().string() + ".~" + std::to_string(n) + "~";
        }
        return FileStatus::failure("backup to " + s.path + " failed: too many backups");
    }

    FileStatus rename(Staged& s) {
        const std::string name = fs::path(s.path).filename().string();
        struct stat st {};
        if (::fstatat(s.folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (s.identity.size < 0 || !identityOf(st).sameFile(s.identity))
                return FileStatus::failure("it changed after it was read, so it was left as it is");
        } else if (errno != ENOENT || s.identity.size >= 0) {
            return FileStatus::failure(errno == ENOENT ? "it was removed after it was read" : errnoText(errno));
        }
        if (::renameat(s.folderFd, s.temp.c_str(), s.folderFd, name.c_str()) != 0)
            return FileStatus::failure(errnoText(errno));
        return FileStatus::success();
    }

    void commit() {
        if (staged.empty())
            return;
        flush();
        std::vector<int> folders;
        const auto place = [&](Staged& s) {
            const FileStatus status = s.isBackup ? placeBackup(s) : rename(s);
            if (status.ok) {
                if (std::find(folders.begin(), folders.end(), s.folderFd) == folders.end())
                    folders.push_back(s.folderFd);
                s.fd.reset();
            }
            return status;
        };
        placeInOrder(staged, place, [&](Staged& s, const FileStatus& status) { finish(s, status); });
        // The renames themselves become durable with their folders.
        for (int folder : folders)
            ::fsync(folder);
        staged.clear();
    }

    void releaseLocks() { locks.clear(); }
};

FileReplacer::FileReplacer(size_t chunk) : m_impl(std::make_unique<Impl>()) {
    m_impl->chunk = chunk == 0 ? 1 : chunk;
}

FileReplacer::~FileReplacer() {
    m_impl->commit();
}

FileStatus FileReplacer::lockFolder(const std::string& folder, const std::function<void(const std::string&)>& waiting) {
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        return FileStatus::failure(errnoText(errno));
    if (m_impl->lockedFolderFd(st) >= 0)
        return FileStatus::success();
    if (m_impl->locks.size() >= kMaxFolderLocks) {
        commit();
        m_impl->releaseLocks();
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK)
            return FileStatus::failure(errnoText(errno));
        // Holding nothing while waiting, two runs can never wait for each other.
        if (waiting)
            waiting(folder);
        commit();
        m_impl->releaseLocks();
        if (::flock(fd.get(), LOCK_EX) != 0)
            return FileStatus::failure(errnoText(errno));
    }
    m_impl->locks.push_back(
        {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino), std::move(fd)});
    removeStaleTemporaries(folder);
    return FileStatus::success();
}

FileStatus FileReplacer::stage(const EditTarget& target, const FileIdentity& identity, std::string_view bytes,
                               Done done, const Backup* backup) {
    Fd original;
    if (identity.size >= 0) {
        original = Fd(::open(target.path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (!original.valid() || ::fstat(original.get(), &st) != 0)
            return FileStatus::failure(errnoText(errno));
        if (!identityOf(st).sameFile(identity))
            return FileStatus::failure("it changed after it was read, so it was left as it is");
    }
    if (const std::string why = refusalReason(target, identity); !why.empty())
        return FileStatus::failure(why);

    const size_t firstNew = m_impl->staged.size();
    if (backup) {
        std::error_code ec;
        const fs::path copy(backup->path);
        fs::create_directories(copy.parent_path(), ec);
        if (ec)
            return FileStatus::failure("cannot create backup folder " + copy.parent_path().string() + ": " +
                                       ec.message());
        Impl::Staged entry;
        entry.path = backup->path;
        entry.isBackup = true;
        if (FileStatus status = m_impl->stageTemp(folderOf(copy), std::move(entry), backup->oldBytes, -1); !status.ok)
            return FileStatus::failure("backup to " + backup->path + " failed: " + status.description);
    }
    Impl::Staged entry;
    entry.path = target.path;
    entry.identity = identity;
    entry.done = std::move(done);
    if (FileStatus status = m_impl->stageTemp(target.folder, std::move(entry), bytes, original.get()); !status.ok) {
        if (backup) {
            // The backup of a file that will not change is not needed.
            m_impl->finish(m_impl->staged[firstNew], FileStatus::failure(status.description));
            m_impl->staged.resize(firstNew);
        }
        return status;
    }
    if (m_impl->staged.size() >= m_impl->chunk)
        commit();
    return FileStatus::success();
}

void FileReplacer::commit() {
    m_impl->commit();
}

FileStatus replaceFile(const std::string& path, std::string_view bytes) {
    EditTarget target;
    FileIdentity identity;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return FileStatus::failure(errnoText(errno));
        const fs::path given(path);
        target = {path, folderOf(given), given.filename().string()};
    } else {
        if (FileStatus status = resolveEditTarget(path, {}, target); !status.ok)
            return status;
        if (::stat(target.path.c_str(), &st) != 0)
            return FileStatus::failure(errnoText(errno));
        if (S_ISDIR(st.st_mode))
            return FileStatus::failure(errnoText(EISDIR));
        identity = identityOf(st);
    }
    FileStatus result;
    {
        FileReplacer replacer(1);
        const FileStatus staged =
            replacer.stage(target, identity, bytes, [&](const std::string&, const FileStatus& s) { result = s; });
        if (!staged.ok)
            return staged;
    }
    return result;
}

int removeStaleTemporaries(const std::string& folder) {
    int removed = 0;
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid())
        return 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!platform::matchesTemporaryPattern(name))
            continue;
        Fd fd(::openat(dir.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat held {};
        struct stat now {};
        // Only a regular file that no live run holds locked, and still the same file.
        if (!fd.valid() || ::fstat(fd.get(), &held) != 0 || !S_ISREG(held.st_mode) ||
            ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        if (::fstatat(dir.get(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_ino == held.st_ino &&
            now.st_dev == held.st_dev && ::unlinkat(dir.get(), name.c_str(), 0) == 0)
            ++removed;
    }
    return removed;
}

namespace platform {

unsigned long processId() {
    return static_cast<unsigned long>(::getpid());
}

struct FolderListing::Impl {
    DIR* dir = nullptr;
};

FolderListing::FolderListing(const std::string& folder) : m_impl(std::make_unique<Impl>()) {
    m_impl->dir = ::opendir(folder.c_str());
}

FolderListing::~FolderListing() {
    if (m_impl->dir != nullptr)
        ::closedir(m_impl->dir);
}

bool FolderListing::isOpen() const {
    return m_impl->dir != nullptr;
}

bool FolderListing::identity(unsigned long long& volume, unsigned long long& index) const {
    struct stat self {};
    if (::fstat(::dirfd(m_impl->dir), &self) != 0)
        return false;
    volume = static_cast<unsigned long long>(self.st_dev);
    index = static_cast<unsigned long long>(self.st_ino);
    return true;
}

bool FolderListing::next(FolderEntry& entry) {
    while (const dirent* d = ::readdir(m_impl->dir)) {
        const char* name = d->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        entry = FolderEntry();
        entry.name = name;
        entry.hidden = name[0] == '.';
        // The kind from the listing alone where it can tell, so that only links and
        // file systems without a type in their listing cost a stat.
        struct stat info {};
        bool haveInfo = false;
        switch (d->d_type) {
        case DT_DIR:
            entry.kind = FolderEntry::Kind::Folder;
            break;
        case DT_REG:
            entry.kind = FolderEntry::Kind::File;
            break;
        case DT_LNK:
        case DT_UNKNOWN:
            entry.viaLink = true;
            if (::fstatat(::dirfd(m_impl->dir), name, &info, 0) == 0) {
                haveInfo = true;
                entry.kind = S_ISDIR(info.st_mode)   ? FolderEntry::Kind::Folder
                             : S_ISREG(info.st_mode) ? FolderEntry::Kind::File
                                                     : FolderEntry::Kind::Other;
            }
            break;
        default:
            break;
        }
        if (haveInfo) {
            entry.dated = true;
            entry.modified = info.st_mtime;
        }
        return true;
    }
    return false;
}

bool FolderListing::readDate(FolderEntry& entry) const {
    struct stat info {};
    if (!entry.dated && ::fstatat(::dirfd(m_impl->dir), entry.name.c_str(), &info, 0) == 0) {
        entry.dated = true;
        entry.modified = info.st_mtime;
    }
    return entry.dated;
}

bool canListFolder(const std::string& folder) {
    DIR* d = ::opendir(folder.c_str());
    if (d == nullptr)
        return false;
    ::closedir(d);
    return true;
}

std::string realPath(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr)
        return {};
    std::string result(real);
    std::free(real);
    return result;
}

bool modificationTime(const std::string& path, std::time_t& time) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    time = info.st_mtime;
    return true;
}

bool localTime(std::time_t time, std::tm& local) {
    return ::localtime_r(&time, &local) != nullptr;
}

std::string displayPath(const std::string& path) {
    return path;
}

std::string driveLabel(const std::string& root) {
    return root;
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

} // namespace platform

} // namespace tagmere
