#include "safefile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tagmere {

namespace {

constexpr std::string_view kTempPrefix = ".tagmere-";
constexpr std::string_view kTempSuffix = ".tmp";

std::string errnoText(int error) {
    return std::strerror(error);
}

// Write protection comes from the permission bits, not from whether open() would
// succeed: root may open anything, yet a read-only file must stay read-only.
bool isWriteProtected(const struct stat& st, const std::string& path, bool folder) {
    if ((st.st_mode & S_IWUSR) == 0)
        return true;
    return ::access(path.c_str(), folder ? (W_OK | X_OK) : W_OK) != 0;
}

std::string temporaryPathFor(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    static std::mt19937 rng(std::random_device{}());
    const std::string name = std::string(kTempPrefix) + std::to_string(::getpid()) + "-" +
                             std::to_string(rng() % 1000000) + "-" + std::to_string(counter++) + "-" +
                             target.filename().string() + std::string(kTempSuffix);
    return (target.parent_path() / name).string();
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

void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

FileStatus readWholeFile(const std::string& path, std::string& bytes, long long maxBytes) {
    bytes.clear();
    auto tooLarge = [maxBytes] {
        return FileStatus::failure("it is larger than " + std::to_string(maxBytes / (1024 * 1024)) +
                                   " MB, too large for a photometric file");
    };
    // Non-blocking, so that a pipe or device given by name cannot hang the read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return FileStatus::failure(errnoText(errno));
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            ::close(fd);
            return FileStatus::failure(errnoText(EISDIR));
        }
        if (!S_ISREG(st.st_mode)) {
            ::close(fd);
            return FileStatus::failure("it is not a regular file");
        }
        if (maxBytes >= 0 && st.st_size > maxBytes) {
            ::close(fd);
            return tooLarge();
        }
        if (S_ISREG(st.st_mode) && st.st_size > 0)
            bytes.reserve(static_cast<size_t>(st.st_size));
    }
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            return FileStatus::failure(errnoText(error));
        }
        bytes.append(chunk, static_cast<size_t>(n));
        // A file that grows while it is read (or is no regular file) is held to the limit too.
        if (maxBytes >= 0 && static_cast<long long>(bytes.size()) > maxBytes) {
            ::close(fd);
            return tooLarge();
        }
    }
    ::close(fd);
    return FileStatus::success();
}

FileStatus replaceFile(const std::string& path, std::string_view bytes, Durability durability) {
    std::error_code ec;
    fs::path target(path);
    // Write through a symbolic link to the file it names, so the link stays a link.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        target = fs::canonical(target, ec);
        if (ec)
            return FileStatus::failure(ec.message());
    }

    mode_t mode = 0666;
    bool exists = false;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        exists = true;
        if (S_ISDIR(st.st_mode))
            return FileStatus::failure(errnoText(EISDIR));
        if (isWriteProtected(st, target.string(), false))
            return FileStatus::failure(errnoText(EACCES));
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return FileStatus::failure(errnoText(errno));
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    struct stat folderStat {};
    if (::stat(folder.c_str(), &folderStat) != 0)
        return FileStatus::failure(errnoText(errno));
    if (isWriteProtected(folderStat, folder.string(), true))
        return FileStatus::failure(errnoText(EACCES));

    const std::string temp = temporaryPathFor(target);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return FileStatus::failure(errnoText(errno));

    auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temp.c_str());
        return FileStatus::failure(errnoText(error));
    };
    if (!writeAll(fd, bytes))
        return fail(errno);
    if (exists && ::geteuid() == 0)
        (void)::fchown(fd, st.st_uid, st.st_gid);
    if (::fchmod(fd, mode) != 0)
        return fail(errno);
    if (durability == Durability::SyncEachFile && ::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return FileStatus::failure(errnoText(error));
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return FileStatus::failure(errnoText(error));
    }
    if (durability == Durability::SyncEachFile)
        syncFolder(folder);
    return FileStatus::success();
}

bool isTemporaryName(std::string_view fileName) {
    return fileName.size() > kTempPrefix.size() + kTempSuffix.size() &&
           fileName.compare(0, kTempPrefix.size(), kTempPrefix) == 0 &&
           fileName.compare(fileName.size() - kTempSuffix.size(), kTempSuffix.size(), kTempSuffix) == 0;
}

int removeStaleTemporaries(const std::string& folder) {
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!isTemporaryName(name))
            continue;
        // The writer's process id follows the prefix; a live writer keeps its file.
        const long pid = std::strtol(name.c_str() + kTempPrefix.size(), nullptr, 10);
        if (pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM))
            continue;
        std::error_code removeError;
        if (fs::remove(it->path(), removeError))
            ++removed;
    }
    return removed;
}

void syncFileSystem(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        ::sync();
        return;
    }
    if (::syncfs(fd) != 0)
        ::sync();
    ::close(fd);
}

void DeferredSync::add(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return;
    const auto device = static_cast<unsigned long>(st.st_dev);
    for (const auto& known : m_devices) {
        if (known.first == device)
            return;
    }
    m_devices.emplace_back(device, path);
}

void DeferredSync::flush() {
    for (const auto& known : m_devices)
        syncFileSystem(known.second);
    m_devices.clear();
}

} // namespace tagmere
