// SPDX-License-Identifier: GPL-3.0-or-later
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

class PosixTempFile final : public platform::TempFile {
public:
    Fd folder;
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
        return platform::tooLarge(maxBytes);
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
            return platform::tooLarge(maxBytes);
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

std::string folderOf(const std::string& path) {
    return tagmere::folderOf(fs::path(path));
}

std::string fileNameOf(const std::string& path) {
    return fs::path(path).filename().string();
}

PathState lookUp(const std::string& path, bool follow) {
    PathState state;
    struct stat st {};
    if ((follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) {
        state.missing = errno == ENOENT;
        state.status = FileStatus::failure(errnoText(errno));
        return state;
    }
    state.folder = S_ISDIR(st.st_mode);
    state.identity = identityOf(st);
    return state;
}

FileStatus lockFolder(const std::string& folder, const FileIdentity& id, bool wait, std::unique_ptr<FolderLock>& lock) {
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0)
        return FileStatus::failure(errnoText(errno));
    if (st.st_dev != id.device || st.st_ino != id.inode)
        return FileStatus::failure("the folder was replaced while it was being locked");
    if (::flock(fd.get(), LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        if (!wait && errno == EWOULDBLOCK)
            return FileStatus::success();
        return FileStatus::failure(errnoText(errno));
    }
    lock = std::make_unique<PosixFolderLock>(std::move(fd));
    return FileStatus::success();
}

FileStatus writeTemporary(const std::string& folder, std::string_view bytes, const std::string* original,
                          std::unique_ptr<TempFile>& temp) {
    auto file = std::make_unique<PosixTempFile>();
    file->folder = Fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!file->folder.valid())
        return FileStatus::failure(errnoText(errno));
    Fd from;
    struct stat st {};
    if (original) {
        from = Fd(::open(original->c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!from.valid() || ::fstat(from.get(), &st) != 0)
            return FileStatus::failure(errnoText(errno));
    }
    file->name = temporaryFileName();
    file->fd = Fd(::openat(file->folder.get(), file->name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!file->fd.valid())
        return FileStatus::failure(errnoText(errno));
    // The lock tells a cleanup in another process that this file is alive.
    ::flock(file->fd.get(), LOCK_EX);
    auto fail = [&](FileStatus status) {
        discard(*file);
        return status;
    };
    if (!writeAll(file->fd.get(), bytes))
        return fail(FileStatus::failure(errnoText(errno)));
    if (original) {
        // Keep the owner when we can (root) and always the group: a colleague's
        // group access must not change with the edit.
        const uid_t owner = ::geteuid() == 0 ? st.st_uid : static_cast<uid_t>(-1);
        if (::fchown(file->fd.get(), owner, st.st_gid) != 0)
            return fail(FileStatus::failure("cannot keep its group: " + errnoText(errno)));
        if (::fchmod(file->fd.get(), st.st_mode & 07777) != 0)
            return fail(FileStatus::failure(errnoText(errno)));
        // After the mode: an ACL sets the group bits from its mask.
        if (FileStatus copied = copyAttributes(from.get(), file->fd.get()); !copied.ok)
            return fail(copied);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(file->fd.get(), 0666 & ~mask) != 0)
            return fail(FileStatus::failure(errnoText(errno)));
    }
    temp = std::move(file);
    return FileStatus::success();
}

void discard(TempFile& temp) {
    PosixTempFile& file = posix(temp);
    ::unlinkat(file.folder.get(), file.name.c_str(), 0);
}

std::vector<FileStatus> makeDurable(const std::vector<TempFile*>& temps, bool each) {
    std::vector<FileStatus> results(temps.size());
    if (each) {
        for (size_t i = 0; i < temps.size(); ++i) {
            if (::fsync(posix(*temps[i]).fd.get()) != 0)
                results[i] = FileStatus::failure(errnoText(errno));
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
            results[i] = FileStatus::failure("the data could not be made durable: " + errnoText(result));
    }
    return results;
}

FileStatus placeBackup(TempFile& temp, const std::string& path) {
    const PosixTempFile& file = posix(temp);
    const std::string wanted = fileNameOf(path);
    std::string name = wanted;
    for (int n = 1; n < 1000; ++n) {
        if (::linkat(file.folder.get(), file.name.c_str(), file.folder.get(), name.c_str(), 0) == 0) {
            ::unlinkat(file.folder.get(), file.name.c_str(), 0);
            return FileStatus::success();
        }
        if (errno != EEXIST)
            return FileStatus::failure("backup to " + path + " failed: " + errnoText(errno));
        name = wanted + ".~" + std::to_string(n) + "~";
    }
    return FileStatus::failure("backup to " + path + " failed: too many backups");
}

FileStatus placeOver(TempFile& temp, const std::string& path, const FileIdentity& identity) {
    const PosixTempFile& file = posix(temp);
    const std::string name = fileNameOf(path);
    struct stat st {};
    if (::fstatat(file.folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (identity.size < 0 || !identityOf(st).sameFile(identity))
            return FileStatus::failure(kChangedAfterRead);
    } else if (errno != ENOENT || identity.size >= 0) {
        return FileStatus::failure(errno == ENOENT ? "it was removed after it was read" : errnoText(errno));
    }
    if (::renameat(file.folder.get(), file.name.c_str(), file.folder.get(), name.c_str()) != 0)
        return FileStatus::failure(errnoText(errno));
    return FileStatus::success();
}

void syncFolders(const std::vector<TempFile*>& placed) {
    std::vector<std::pair<dev_t, ino_t>> synced;
    for (TempFile* temp : placed) {
        const int folder = posix(*temp).folder.get();
        struct stat st {};
        if (::fstat(folder, &st) != 0)
            continue;
        const std::pair<dev_t, ino_t> key(st.st_dev, st.st_ino);
        if (std::find(synced.begin(), synced.end(), key) != synced.end())
            continue;
        synced.push_back(key);
        ::fsync(folder);
    }
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
