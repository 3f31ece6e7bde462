// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tagmere {

namespace {

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
    id.changedSec = st.st_ctim.tv_sec;
    id.changedNsec = st.st_ctim.tv_nsec;
    id.links = st.st_nlink;
    id.owner = st.st_uid;
    id.mode = st.st_mode;
    return id;
}

std::string folderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path().string() : std::string(".");
}

class PosixFolderLock final : public platform::FolderLock {
public:
    explicit PosixFolderLock(Fd fd) : m_fd(std::move(fd)) {}

private:
    Fd m_fd; // closing it lets go of the lock
};

class PosixFolder final : public platform::Folder {
public:
    explicit PosixFolder(Fd folder) : fd(std::move(folder)) {}
    Fd fd;
};

// The target's open folder, or (for a target made by hand) the folder opened by its path.
std::shared_ptr<platform::Folder> folderOfTarget(const EditTarget& target, Status& status) {
    if (target.dir)
        return target.dir;
    Fd fd(::open(target.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) {
        status = Status::failure(errnoText(errno));
        return nullptr;
    }
    return std::make_shared<PosixFolder>(std::move(fd));
}

int fdOf(const platform::Folder& folder) {
    return static_cast<const PosixFolder&>(folder).fd.get();
}

class PosixTempFile final : public platform::TempFile {
public:
    std::shared_ptr<platform::Folder> dir;
    int folder = -1;  // dir's descriptor
    std::string name; // in that folder
    Fd fd;
};

PosixTempFile& posix(platform::TempFile& temp) {
    return static_cast<PosixTempFile&>(temp);
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
bool isWriteProtected(mode_t mode, int folder, const char* name, bool isFolder) {
    if ((mode & S_IWUSR) == 0)
        return true;
    return ::faccessat(folder, name, isFolder ? (W_OK | X_OK) : W_OK, AT_SYMLINK_NOFOLLOW) != 0;
}

// The names of a file's extended attributes (that this process can see).
bool attributeNames(int fd, std::vector<std::string>& out) {
    out.clear();
    ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size < 0)
        return errno == ENOTSUP;
    std::vector<char> names(static_cast<size_t>(size) + 1);
    size = ::flistxattr(fd, names.data(), names.size());
    if (size < 0)
        return false;
    for (const char* name = names.data(); name < names.data() + size; name += std::strlen(name) + 1)
        out.emplace_back(name);
    return true;
}

// Gives `to` the mode `mode` and exactly the extended attributes (POSIX ACLs among them)
// of `from`. Attributes `to` got elsewhere (a folder's default ACL, which would let more
// users read it) go first, then the mode is set, then `from`'s attributes are copied, so
// an ACL's mask sets the group bits as it does on `from`.
Status copyModeAndAttributes(int from, int to, mode_t mode) {
    std::vector<std::string> names;
    std::vector<std::string> own;
    if (!attributeNames(from, names) || !attributeNames(to, own))
        return Status::failure("cannot read its attributes: " + errnoText(errno));
    for (const std::string& name : own) {
        if (std::find(names.begin(), names.end(), name) == names.end() && ::fremovexattr(to, name.c_str()) != 0)
            return Status::failure("cannot leave out the attribute " + name + ": " + errnoText(errno));
    }
    if (::fchmod(to, mode) != 0)
        return Status::failure(errnoText(errno));
    std::vector<char> value;
    for (const std::string& attribute : names) {
        const char* name = attribute.c_str();
        ssize_t length = ::fgetxattr(from, name, nullptr, 0);
        if (length >= 0) {
            value.resize(static_cast<size_t>(length) + 1);
            length = ::fgetxattr(from, name, value.data(), value.size());
        }
        if (length < 0 || ::fsetxattr(to, name, value.data(), static_cast<size_t>(length), 0) != 0)
            return Status::failure("cannot keep its attribute " + std::string(name) + ": " + errnoText(errno));
    }
    return Status::success();
}

// Makes everything written to the file system that holds `fd` durable. The error a
// write-back met since `fd` was opened is reported here.
int syncFileSystemOf(int fd) {
    return ::syncfs(fd) == 0 ? 0 : errno;
}

} // namespace

namespace {

// Times a file that changes while it is read is read again before it is refused.
constexpr int kReadTries = 3;

// Reads the open file whole. The file is looked at before and after the read: a file
// another program wrote meanwhile is read again, or refused, so a mix of old and new
// bytes is never taken for its text.
Status readOpenFile(const Fd& fd, const std::string& path, std::string& bytes, long long maxBytes,
                    FileIdentity* identity) {
    for (int attempt = 0; attempt < kReadTries; ++attempt) {
        bytes.clear();
        struct stat before {};
        if (::fstat(fd.get(), &before) != 0)
            return Status::failure(errnoText(errno));
        if (S_ISDIR(before.st_mode))
            return Status::failure(errnoText(EISDIR));
        if (!S_ISREG(before.st_mode))
            return Status::failure("it is not a regular file");
        if (maxBytes >= 0 && before.st_size > maxBytes)
            return platform::tooLarge(maxBytes);
        if (const auto& hook = platform::testHooks().duringRead)
            hook(path);
        if (::lseek(fd.get(), 0, SEEK_SET) != 0)
            return Status::failure(errnoText(errno));
        bytes.reserve(static_cast<size_t>(before.st_size));
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
            if (n == 0)
                break;
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return Status::failure(errnoText(errno));
            }
            bytes.append(chunk, static_cast<size_t>(n));
            // A file that grows while it is read is held to the limit too.
            if (maxBytes >= 0 && static_cast<long long>(bytes.size()) > maxBytes)
                return platform::tooLarge(maxBytes);
        }
        struct stat after {};
        if (::fstat(fd.get(), &after) != 0)
            return Status::failure(errnoText(errno));
        const FileIdentity id = identityOf(after);
        if (id.sameFile(identityOf(before)) && static_cast<long long>(bytes.size()) == id.size) {
            if (identity)
                *identity = id;
            return Status::success();
        }
    }
    return Status::failure("another program kept writing it while it was read");
}

} // namespace

Status readWholeFile(const std::string& path, std::string& bytes, long long maxBytes, FileIdentity* identity) {
    bytes.clear();
    // Non-blocking, so that a pipe or device given by name cannot hang the read.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid())
        return Status::failure(errnoText(errno));
    return readOpenFile(fd, path, bytes, maxBytes, identity);
}

Status readWholeFile(const EditTarget& target, std::string& bytes, long long maxBytes, FileIdentity* identity) {
    bytes.clear();
    Status status;
    const std::shared_ptr<platform::Folder> dir = folderOfTarget(target, status);
    if (!dir)
        return status;
    Fd fd(::openat(fdOf(*dir), target.name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (!fd.valid())
        return Status::failure(errno == ELOOP ? "it was replaced by a symbolic link after the search found it"
                                              : errnoText(errno));
    return readOpenFile(fd, target.path, bytes, maxBytes, identity);
}

Status resolveEditTarget(const std::string& path, const std::string& root, EditTarget& target,
                         const EditTarget* previous) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return Status::failure(errnoText(errno));
    const fs::path given(path);
    if (!S_ISLNK(st.st_mode)) {
        target = {path, folderOf(given), given.filename().string(), false, nullptr};
        if (previous && previous->dir && previous->folder == target.folder) {
            target.dir = previous->dir;
            return Status::success();
        }
        return platform::openFolder(root, target.folder, target.dir);
    }
    std::error_code ec;
    const fs::path real = fs::canonical(given, ec);
    if (ec)
        return Status::failure(ec.message());
    const fs::path inside = fs::canonical(root.empty() ? fs::path(folderOf(given)) : fs::path(root), ec);
    if (ec)
        return Status::failure(ec.message());
    const std::string prefix = inside.string() == "/" ? "/" : inside.string() + "/";
    target.escapes = real.string().compare(0, prefix.size(), prefix) != 0;
    if (target.escapes)
        return Status::failure("it is a symbolic link to " + real.string() + ", outside " + inside.string());
    target = {real.string(), real.parent_path().string(), real.filename().string(), false, nullptr};
    return platform::openFolder(root, target.folder, target.dir);
}

bool samePermissions(const FileIdentity& a, const FileIdentity& b) {
    return (a.mode & 07777) == (b.mode & 07777) && a.owner == b.owner;
}

std::string refusalReason(const EditTarget& target, const FileIdentity& identity) {
    if (identity.size < 0)
        return {};
    Status status;
    const std::shared_ptr<platform::Folder> dir = folderOfTarget(target, status);
    if (!dir)
        return status.description;
    const int folder = fdOf(*dir);
    if (isWriteProtected(identity.mode, folder, target.name.c_str(), false))
        return errnoText(EACCES);
    if (identity.links > 1)
        return "it has " + std::to_string(identity.links) + " hard links, and replacing it would split them";
    if (::geteuid() != 0 && identity.owner != ::geteuid())
        return "it belongs to another user, and replacing it would make it yours";
    struct stat st {};
    if (::fstat(folder, &st) != 0)
        return errnoText(errno);
    if (isWriteProtected(st.st_mode, folder, ".", true))
        return errnoText(EACCES);
    return {};
}

namespace platform {

unsigned long processId() {
    return static_cast<unsigned long>(::getpid());
}

size_t openFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 1024;
    return static_cast<size_t>(limit.rlim_cur);
}

std::string folderOf(const std::string& path) {
    return tagmere::folderOf(fs::path(path));
}

std::string fileNameOf(const std::string& path) {
    return fs::path(path).filename().string();
}

namespace {

// What a look with stat found (`found` false: errno says why not).
PathState stateOf(bool found, const struct stat& st) {
    PathState state;
    if (!found) {
        state.missing = errno == ENOENT;
        state.status = Status::failure(errnoText(errno));
        return state;
    }
    state.folder = S_ISDIR(st.st_mode);
    state.identity = identityOf(st);
    return state;
}

} // namespace

PathState lookUp(const std::string& path, bool follow) {
    struct stat st {};
    return stateOf((follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) == 0, st);
}

PathState lookUp(const EditTarget& target) {
    PathState state;
    const std::shared_ptr<Folder> dir = folderOfTarget(target, state.status);
    struct stat st {};
    return dir ? stateOf(::fstatat(fdOf(*dir), target.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0, st) : state;
}

PathState lookUpFolder(const EditTarget& target) {
    PathState state;
    const std::shared_ptr<Folder> dir = folderOfTarget(target, state.status);
    struct stat st {};
    return dir ? stateOf(::fstat(fdOf(*dir), &st) == 0, st) : state;
}

Status openFolder(const std::string& root, const std::string& folder, std::shared_ptr<Folder>& dir) {
    dir.reset();
    Fd fd;
    if (root.empty()) {
        fd = Fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!fd.valid())
            return Status::failure(errnoText(errno));
    } else {
        // Resolved now, and each step then entered without following a link: a step
        // swapped for a link after this look is refused, never entered.
        const std::string realRoot = realPath(root);
        const std::string realFolder = realPath(folder);
        if (realRoot.empty() || realFolder.empty())
            return Status::failure(errnoText(errno));
        const fs::path below = fs::path(realFolder).lexically_relative(realRoot);
        if (below.empty() || *below.begin() == "..")
            return Status::failure("its folder " + realFolder + " lies outside " + realRoot);
        fd = Fd(::open(realRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!fd.valid())
            return Status::failure(errnoText(errno));
        for (const fs::path& step : below) {
            if (step == ".")
                continue;
            Fd next(::openat(fd.get(), step.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!next.valid())
                return Status::failure(errno == ELOOP || errno == ENOTDIR
                                           ? "its folder " + step.string() +
                                                 " was replaced by a symbolic link or a file after the search"
                                           : errnoText(errno));
            fd = std::move(next);
        }
    }
    dir = std::make_shared<PosixFolder>(std::move(fd));
    return Status::success();
}

Status openFolderBelow(const std::string& base, const std::string& relative, EditTarget& target) {
    const fs::path below = fs::path(relative).lexically_normal().relative_path();
    target.folder = (fs::path(base) / below).lexically_normal().string();
    // The backup folder itself as the user named it; folders made for it are private.
    std::error_code ec;
    if (!fs::is_directory(base, ec)) {
        fs::create_directories(base, ec);
        if (ec)
            return Status::failure(ec.message());
        ::chmod(base.c_str(), 0700);
    }
    Fd fd(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return Status::failure(errnoText(errno));
    for (const fs::path& step : below) {
        if (step == "." || step.empty())
            continue;
        if (::mkdirat(fd.get(), step.c_str(), 0700) != 0 && errno != EEXIST)
            return Status::failure(errnoText(errno));
        Fd next(::openat(fd.get(), step.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid())
            return Status::failure(errno == ELOOP || errno == ENOTDIR
                                       ? step.string() + " in the backup folder is a symbolic link or a file"
                                       : errnoText(errno));
        fd = std::move(next);
    }
    target.dir = std::make_shared<PosixFolder>(std::move(fd));
    return Status::success();
}

Status lockFolder(const EditTarget& target, const FileIdentity& id, bool wait, std::unique_ptr<FolderLock>& lock) {
    Status status;
    const std::shared_ptr<Folder> dir = folderOfTarget(target, status);
    if (!dir)
        return status;
    // A descriptor of its own: the lock outlives the target.
    Fd fd(::fcntl(fdOf(*dir), F_DUPFD_CLOEXEC, 0));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        return Status::failure(errnoText(errno));
    if (st.st_dev != id.device || st.st_ino != id.inode)
        return Status::failure("the folder was replaced while it was being locked");
    if (::flock(fd.get(), LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        if (!wait && errno == EWOULDBLOCK)
            return Status::success();
        return Status::failure(errnoText(errno));
    }
    lock = std::make_unique<PosixFolderLock>(std::move(fd));
    return Status::success();
}

int removeStaleTemporaries(const EditTarget& target) {
    Status status;
    const std::shared_ptr<Folder> dir = folderOfTarget(target, status);
    if (!dir)
        return 0;
    const int folder = fdOf(*dir);
    DIR* listing = ::fdopendir(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    if (listing == nullptr)
        return 0;
    int removed = 0;
    while (const dirent* d = ::readdir(listing)) {
        const std::string name = d->d_name;
        if (!matchesTemporaryPattern(name))
            continue;
        Fd fd(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat held {};
        struct stat now {};
        // Only a regular file that no live run holds locked, and still the same file.
        if (!fd.valid() || ::fstat(fd.get(), &held) != 0 || !S_ISREG(held.st_mode) ||
            ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        if (::fstatat(folder, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_ino == held.st_ino &&
            now.st_dev == held.st_dev && ::unlinkat(folder, name.c_str(), 0) == 0)
            ++removed;
    }
    ::closedir(listing);
    return removed;
}

Status writeTemporary(const EditTarget& where, std::string_view bytes, const EditTarget* like,
                      std::unique_ptr<TempFile>& temp) {
    auto file = std::make_unique<PosixTempFile>();
    Status status;
    file->dir = folderOfTarget(where, status);
    if (!file->dir)
        return status;
    file->folder = fdOf(*file->dir);
    Fd from;
    struct stat st {};
    if (like) {
        const std::shared_ptr<Folder> likeDir = folderOfTarget(*like, status);
        if (!likeDir)
            return status;
        from = Fd(::openat(fdOf(*likeDir), like->name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!from.valid() || ::fstat(from.get(), &st) != 0)
            return Status::failure(errnoText(errno));
    }
    file->name = temporaryFileName();
    file->fd = Fd(::openat(file->folder, file->name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!file->fd.valid())
        return Status::failure(errnoText(errno));
    // The lock tells a cleanup in another process that this file is alive.
    ::flock(file->fd.get(), LOCK_EX);
    auto fail = [&](Status failure) {
        discard(*file);
        return failure;
    };
    if (!writeAll(file->fd.get(), bytes))
        return fail(Status::failure(errnoText(errno)));
    if (like) {
        // A copy elsewhere (a backup) where the group cannot be kept loses the group's
        // access instead: it must never be readable by more users than the original.
        const bool copy = like->path != where.path;
        mode_t mode = st.st_mode & 07777;
        // Keep the owner when we can (root) and always the group: a colleague's
        // group access must not change with the edit.
        const uid_t owner = ::geteuid() == 0 ? st.st_uid : static_cast<uid_t>(-1);
        if (::fchown(file->fd.get(), owner, st.st_gid) != 0) {
            if (!copy)
                return fail(Status::failure("cannot keep its group: " + errnoText(errno)));
            mode &= ~static_cast<mode_t>(S_IRWXG | S_ISGID);
        }
        if (Status copied = copyModeAndAttributes(from.get(), file->fd.get(), mode); !copied.ok)
            return fail(copied);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(file->fd.get(), 0666 & ~mask) != 0)
            return fail(Status::failure(errnoText(errno)));
    }
    temp = std::move(file);
    return Status::success();
}

void discard(TempFile& temp) {
    PosixTempFile& file = posix(temp);
    if (!file.name.empty())
        ::unlinkat(file.folder, file.name.c_str(), 0);
}

std::vector<Status> makeDurable(const std::vector<TempFile*>& temps, bool each) {
    std::vector<Status> results(temps.size());
    if (each) {
        for (size_t i = 0; i < temps.size(); ++i) {
            if (::fsync(posix(*temps[i]).fd.get()) != 0)
                results[i] = Status::failure(errnoText(errno));
        }
        return results;
    }
    std::vector<std::pair<dev_t, int>> devices; // device, its result
    for (size_t i = 0; i < temps.size(); ++i) {
        const int fd = posix(*temps[i]).fd.get();
        struct stat st {};
        ::fstat(fd, &st);
        int result = -1;
        for (const auto& [device, r] : devices) {
            if (device == st.st_dev)
                result = r;
        }
        if (result < 0) {
            // The first file staged on this device was opened before any data of
            // this chunk was written, so its syncfs reports every write-back error.
            result = syncFileSystemOf(fd);
            devices.emplace_back(st.st_dev, result);
        }
        if (result != 0)
            results[i] = Status::failure("the data could not be made durable: " + errnoText(result));
    }
    return results;
}

Status placeBackup(TempFile& temp, const std::string& path) {
    const PosixTempFile& file = posix(temp);
    const std::string wanted = fileNameOf(path);
    std::string name = wanted;
    for (int n = 1; n < 1000; ++n) {
        if (::linkat(file.folder, file.name.c_str(), file.folder, name.c_str(), 0) == 0) {
            ::unlinkat(file.folder, file.name.c_str(), 0);
            return Status::success();
        }
        if (errno != EEXIST)
            return Status::failure("backup to " + path + " failed: " + errnoText(errno));
        name = wanted + ".~" + std::to_string(n) + "~";
    }
    return Status::failure("backup to " + path + " failed: too many backups");
}

namespace {

// The system has no swap of two names here (an older kernel, a file system without it).
bool noSwap(int error) {
    return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

// The check and the rename as two steps, for where the system cannot do them as one.
Status checkThenRename(const PosixTempFile& file, const std::string& name, const FileIdentity& identity) {
    struct stat st {};
    if (::fstatat(file.folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (identity.size < 0 || !identityOf(st).sameFile(identity))
            return Status::failure(platform::kChangedAfterRead);
    } else if (errno != ENOENT || identity.size >= 0) {
        return Status::failure(errno == ENOENT ? "it was removed or moved after it was read" : errnoText(errno));
    }
    if (::renameat(file.folder, file.name.c_str(), file.folder, name.c_str()) != 0)
        return Status::failure(errnoText(errno));
    return Status::success();
}

} // namespace

Status placeOver(TempFile& temp, const std::string& path, const FileIdentity& identity) {
    PosixTempFile& file = posix(temp);
    const std::string name = fileNameOf(path);
    if (identity.size < 0) {
        // A new file: never over one that appeared meanwhile.
        if (::renameat2(file.folder, file.name.c_str(), file.folder, name.c_str(), RENAME_NOREPLACE) == 0)
            return Status::success();
        if (errno == EEXIST)
            return Status::failure(kChangedAfterRead);
        return noSwap(errno) ? checkThenRename(file, name, identity) : Status::failure(errnoText(errno));
    }
    struct stat st {};
    if (::fstatat(file.folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Status::failure(errno == ENOENT ? "it was removed or moved after it was read" : errnoText(errno));
    if (!identityOf(st).sameFile(identity))
        return Status::failure(kChangedAfterRead);
    if (const auto& hook = testHooks().beforePlace)
        hook(path);
    // Swapped in one step, so a file renamed over ours meanwhile comes out and can go back.
    if (::renameat2(file.folder, file.name.c_str(), file.folder, name.c_str(), RENAME_EXCHANGE) != 0) {
        if (errno == ENOENT)
            return Status::failure("it was removed or moved after it was read");
        return noSwap(errno) ? checkThenRename(file, name, identity) : Status::failure(errnoText(errno));
    }
    if (::fstatat(file.folder, file.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !identityOf(st).sameContent(identity)) {
        if (::renameat2(file.folder, file.name.c_str(), file.folder, name.c_str(), RENAME_EXCHANGE) != 0) {
            // The other program's file is under our temporary name now: it must stay.
            const std::string kept = std::exchange(file.name, std::string());
            return Status::failure("another program replaced it while it was being replaced; its text is kept in " +
                                   kept);
        }
        return Status::failure(kChangedAfterRead);
    }
    // What came out is the file that was read: its old text goes.
    ::unlinkat(file.folder, file.name.c_str(), 0);
    return Status::success();
}

FileIdentity temporaryIdentity(TempFile& temp) {
    struct stat st {};
    ::fstat(posix(temp).fd.get(), &st);
    return identityOf(st);
}

std::string stateFolder() {
    // Only an absolute XDG_STATE_HOME counts; a relative one is to be ignored.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::string(state) + "/tagmere";
    // Without HOME (a service, cron) the account's own home, never a folder others can write.
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const struct passwd* account = ::getpwuid(::geteuid());
        home = account && account->pw_dir ? account->pw_dir : nullptr;
    }
    return std::string(home ? home : "") + "/.local/state/tagmere";
}

namespace {

class PosixAppendFile final : public AppendFile {
public:
    Fd fd;
};

} // namespace

Status createAppendFile(const EditTarget& folder, const std::string& name, std::unique_ptr<AppendFile>& file) {
    Status status;
    const std::shared_ptr<Folder> dir = folderOfTarget(folder, status);
    if (!dir)
        return status;
    auto made = std::make_unique<PosixAppendFile>();
    made->fd = Fd(::openat(fdOf(*dir), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600));
    if (!made->fd.valid())
        return Status::failure(errnoText(errno));
    if (::fsync(fdOf(*dir)) != 0)
        return Status::failure(errnoText(errno));
    // Held while the run lives, so no pruning removes a journal still being written.
    ::flock(made->fd.get(), LOCK_SH);
    file = std::move(made);
    return Status::success();
}

bool appendFileInUse(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    return fd.valid() && ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

Status syncFolder(const std::string& folder) {
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid() || ::fsync(fd.get()) != 0)
        return Status::failure(errnoText(errno));
    return Status::success();
}

Status appendTo(AppendFile& file, std::string_view bytes) {
    if (!writeAll(static_cast<PosixAppendFile&>(file).fd.get(), bytes))
        return Status::failure(errnoText(errno));
    return Status::success();
}

Status flushAppendFile(AppendFile& file) {
    if (::fdatasync(static_cast<PosixAppendFile&>(file).fd.get()) != 0)
        return Status::failure(errnoText(errno));
    return Status::success();
}

std::vector<Status> syncFolders(const std::vector<TempFile*>& placed) {
    std::vector<Status> results(placed.size());
    std::vector<std::pair<std::pair<dev_t, ino_t>, int>> synced; // folder, its result
    for (size_t i = 0; i < placed.size(); ++i) {
        const int folder = posix(*placed[i]).folder;
        struct stat st {};
        int result = 0;
        if (::fstat(folder, &st) != 0) {
            result = errno;
        } else {
            const std::pair<dev_t, ino_t> key(st.st_dev, st.st_ino);
            const auto seen = std::find_if(synced.begin(), synced.end(), [&](const auto& s) { return s.first == key; });
            if (seen != synced.end()) {
                result = seen->second;
            } else {
                const auto& hook = testHooks().folderFlush;
                result = hook ? hook() : (::fsync(folder) == 0 ? 0 : errno);
                synced.emplace_back(key, result);
            }
        }
        if (result != 0)
            results[i] = Status::failure("it was replaced, but its folder could not be flushed to disk (" +
                                         errnoText(result) + "): after a power cut it may hold its old text");
    }
    return results;
}

struct FolderListing::Impl {
    DIR* dir = nullptr;
    std::string error;
};

FolderListing::FolderListing(const std::string& folder) : m_impl(std::make_unique<Impl>()) {
    m_impl->dir = ::opendir(folder.c_str());
    if (m_impl->dir == nullptr)
        m_impl->error = errnoText(errno);
}

const std::string& FolderListing::error() const {
    return m_impl->error;
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
