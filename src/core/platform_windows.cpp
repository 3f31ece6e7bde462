// SPDX-License-Identifier: GPL-3.0-or-later
#include "placeorder.h"
#include "platform.h"
#include "safefile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <utility>
#include <vector>

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

namespace fs = std::filesystem;

namespace tagmere {

namespace {

// Folder locks held at once before a run commits and lets go of them.
constexpr size_t kMaxFolderLocks = 32;

std::wstring widen(const std::string& text) {
    if (text.empty())
        return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string narrow(const wchar_t* text, size_t length) {
    if (length == 0)
        return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
    return out;
}

std::string narrow(const std::wstring& text) {
    return narrow(text.data(), text.size());
}

// A name for the system: UTF-16, absolute, with the "\\?\" prefix so that paths longer
// than 260 characters work too.
std::wstring systemPath(const std::string& path) {
    std::wstring wide = widen(path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    if (wide.rfind(L"\\\\?\\", 0) == 0)
        return wide;
    const DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0)
        return wide;
    std::wstring full(n, L'\0');
    const DWORD written = ::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    full.resize(written);
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// The system's own text for an error, without the full stop and line end it carries.
std::string errorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD n =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = n > 0 ? narrow(buffer, n) : "error " + std::to_string(error);
    if (buffer != nullptr)
        ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.' || text.back() == ' '))
        text.pop_back();
    return text;
}

std::string lastErrorText() {
    return errorText(::GetLastError());
}

// A handle closed on every way out.
class Handle final {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : m_h(h) {}
    ~Handle() { reset(); }
    Handle(Handle&& o) noexcept : m_h(std::exchange(o.m_h, INVALID_HANDLE_VALUE)) {}
    Handle& operator=(Handle&& o) noexcept {
        if (this != &o) {
            reset();
            m_h = std::exchange(o.m_h, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return m_h; }
    bool valid() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }
    void reset() {
        if (valid())
            ::CloseHandle(m_h);
        m_h = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_h = INVALID_HANDLE_VALUE;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens a file or folder to look at it; `follow` false opens a link itself.
Handle openForInfo(const std::string& path, bool follow) {
    return Handle(::CreateFileW(systemPath(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr));
}

long long fileTimeTicks(const FILETIME& t) {
    return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

// 100 ns ticks since 1601 to seconds since 1970.
std::time_t unixTime(const FILETIME& t) {
    return static_cast<std::time_t>((fileTimeTicks(t) - 116444736000000000LL) / 10000000LL);
}

FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& info) {
    FileIdentity id;
    id.device = info.dwVolumeSerialNumber;
    id.inode = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.size = static_cast<long long>((static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    const long long ticks = fileTimeTicks(info.ftLastWriteTime);
    id.modifiedSec = ticks / 10000000LL;
    id.modifiedNsec = (ticks % 10000000LL) * 100;
    id.links = info.nNumberOfLinks;
    // The attributes stand in for the mode: the read-only one is what protects a file.
    id.mode = info.dwFileAttributes;
    return id;
}

bool identityAt(const std::string& path, bool follow, FileIdentity& id, DWORD& error) {
    Handle h = openForInfo(path, follow);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!h.valid() || !::GetFileInformationByHandle(h.get(), &info)) {
        error = ::GetLastError();
        return false;
    }
    id = identityOf(info);
    return true;
}

std::string folderOf(const fs::path& path) {
    return path.has_parent_path() ? path.parent_path().u8string() : std::string(".");
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    const char last = folder.back();
    return last == '/' || last == '\\' ? folder + name : folder + "\\" + name;
}

// The lock on a temporary file covers every byte there could be, so another run's
// cleanup sees it as alive.
bool lockWhole(HANDLE h, bool wait) {
    OVERLAPPED at{};
    return ::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY), 0, MAXDWORD, MAXDWORD,
                        &at) != 0;
}

bool writeAll(HANDLE h, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(left, 1u << 30));
        DWORD n = 0;
        if (!::WriteFile(h, p, want, &n, nullptr))
            return false;
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

FileStatus readWholeFile(const std::string& path, std::string& bytes, long long maxBytes, FileIdentity* identity) {
    bytes.clear();
    auto tooLarge = [maxBytes] {
        return FileStatus::failure("it is larger than " + std::to_string(maxBytes / (1024 * 1024)) +
                                   " MB, too large for a photometric file");
    };
    Handle h(::CreateFileW(systemPath(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h.valid())
        return FileStatus::failure(lastErrorText());
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h.get(), &info))
        return FileStatus::failure(lastErrorText());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return FileStatus::failure(std::strerror(EISDIR));
    if (::GetFileType(h.get()) != FILE_TYPE_DISK)
        return FileStatus::failure("it is not a regular file");
    const FileIdentity id = identityOf(info);
    if (maxBytes >= 0 && id.size > maxBytes)
        return tooLarge();
    if (identity)
        *identity = id;
    bytes.reserve(static_cast<size_t>(id.size));
    char chunk[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(h.get(), chunk, sizeof chunk, &n, nullptr))
            return FileStatus::failure(lastErrorText());
        if (n == 0)
            break;
        bytes.append(chunk, n);
        if (maxBytes >= 0 && static_cast<long long>(bytes.size()) > maxBytes)
            return tooLarge();
    }
    return FileStatus::success();
}

FileStatus resolveEditTarget(const std::string& path, const std::string& root, EditTarget& target) {
    const DWORD attributes = ::GetFileAttributesW(systemPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return FileStatus::failure(lastErrorText());
    const fs::path given = fs::u8path(path);
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        target = {path, folderOf(given), given.filename().u8string()};
        return FileStatus::success();
    }
    const std::string real = platform::realPath(path);
    const std::string inside = platform::realPath(root.empty() ? folderOf(given) : root);
    if (real.empty() || inside.empty())
        return FileStatus::failure(lastErrorText());
    const std::string prefix = inside.back() == '/' ? inside : inside + "/";
    // Names differ in case only on other systems' shares; compare as the system does.
    target.escapes =
        real.size() < prefix.size() || ::CompareStringOrdinal(widen(real.substr(0, prefix.size())).c_str(), -1,
                                                              widen(prefix).c_str(), -1, TRUE) != CSTR_EQUAL;
    if (target.escapes)
        return FileStatus::failure("it is a symbolic link to " + platform::displayPath(real) + ", outside " +
                                   platform::displayPath(inside));
    const fs::path resolved = fs::u8path(real);
    target = {platform::displayPath(real), platform::displayPath(folderOf(resolved)), resolved.filename().u8string()};
    return FileStatus::success();
}

std::string refusalReason(const EditTarget&, const FileIdentity& identity) {
    if (identity.size < 0)
        return {};
    if (identity.mode & FILE_ATTRIBUTE_READONLY)
        return errorText(ERROR_ACCESS_DENIED);
    if (identity.links > 1)
        return "it has " + std::to_string(identity.links) + " hard links, and replacing it would split them";
    return {};
}

struct FileReplacer::Impl {
    // A folder lock is a named mutex per volume and folder: Windows locks byte ranges of
    // files only, and a lock file would be one more file in the user's folder.
    struct Lock {
        unsigned long long volume;
        unsigned long long index;
        Handle mutex;
    };
    struct Staged {
        std::string path;   // the file it replaces (or, for a backup, the name wanted)
        std::string folder; // its folder
        std::string temp;   // full name of the temporary file
        Handle file;        // kept open (and locked) until the flush
        FileIdentity identity;
        bool isBackup = false;
        bool failed = false;
        Done done;
    };

    size_t chunk;
    std::vector<Lock> locks;
    std::vector<Staged> staged;

    bool holds(const FileIdentity& folder) const {
        return std::any_of(locks.begin(), locks.end(),
                           [&](const Lock& l) { return l.volume == folder.device && l.index == folder.inode; });
    }

    FileStatus stageTemp(const std::string& folder, Staged&& entry, std::string_view bytes) {
        entry.folder = folder;
        entry.temp = joinPath(folder, platform::temporaryFileName());
        entry.file = Handle(::CreateFileW(systemPath(entry.temp).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                          kShareAll, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!entry.file.valid())
            return FileStatus::failure(lastErrorText());
        // The lock tells a cleanup in another process that this file is alive.
        lockWhole(entry.file.get(), true);
        if (!writeAll(entry.file.get(), bytes)) {
            const std::string why = lastErrorText();
            entry.file.reset();
            ::DeleteFileW(systemPath(entry.temp).c_str());
            return FileStatus::failure(why);
        }
        staged.push_back(std::move(entry));
        return FileStatus::success();
    }

    void finish(Staged& s, const FileStatus& status) {
        if (!status.ok) {
            s.failed = true;
            s.file.reset();
            ::DeleteFileW(systemPath(s.temp).c_str());
        }
        if (s.done)
            s.done(s.path, status);
    }

    // Windows has no flush per volume for ordinary users, so each file is flushed.
    void flush() {
        for (auto& s : staged) {
            if (!::FlushFileBuffers(s.file.get()))
                finish(s, FileStatus::failure("the data could not be made durable: " + lastErrorText()));
            else
                s.file.reset();
        }
    }

    // Places a backup under its name, or the next free "NAME.~N~"; never over a file.
    FileStatus placeBackup(Staged& s) {
        std::string name = s.path;
        for (int n = 1; n < 1000; ++n) {
            if (::MoveFileExW(systemPath(s.temp).c_str(), systemPath(name).c_str(), MOVEFILE_WRITE_THROUGH))
                return FileStatus::success();
            const DWORD error = ::GetLastError();
            if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
                return FileStatus::failure("backup to " + s.path + " failed: " + errorText(error));
            name = s.path + ".~" + std::to_string(n) + "~";
        }
        return FileStatus::failure("backup to " + s.path + " failed: too many backups");
    }

    FileStatus rename(Staged& s) {
        FileIdentity now;
        DWORD error = 0;
        if (identityAt(s.path, false, now, error)) {
            if (s.identity.size < 0 || !now.sameFile(s.identity))
                return FileStatus::failure("it changed after it was read, so it was left as it is");
        } else if (error != ERROR_FILE_NOT_FOUND || s.identity.size >= 0) {
            return FileStatus::failure(error == ERROR_FILE_NOT_FOUND ? "it was removed after it was read"
                                                                     : errorText(error));
        }
        if (s.identity.size < 0) {
            // A new file: never over one that appeared meanwhile.
            if (!::MoveFileExW(systemPath(s.temp).c_str(), systemPath(s.path).c_str(), MOVEFILE_WRITE_THROUGH))
                return FileStatus::failure(lastErrorText());
            return FileStatus::success();
        }
        // Keeps the original's attributes and security descriptor.
        if (!::ReplaceFileW(systemPath(s.path).c_str(), systemPath(s.temp).c_str(), nullptr,
                            REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
            return FileStatus::failure(lastErrorText());
        return FileStatus::success();
    }

    void commit() {
        if (staged.empty())
            return;
        flush();
        placeInOrder(
            staged, [&](Staged& s) { return s.isBackup ? placeBackup(s) : rename(s); },
            [&](Staged& s, const FileStatus& status) { finish(s, status); });
        staged.clear();
    }

    void releaseLocks() {
        for (auto& lock : locks)
            ::ReleaseMutex(lock.mutex.get());
        locks.clear();
    }
};

FileReplacer::FileReplacer(size_t chunk) : m_impl(std::make_unique<Impl>()) {
    m_impl->chunk = chunk == 0 ? 1 : chunk;
}

FileReplacer::~FileReplacer() {
    m_impl->commit();
    m_impl->releaseLocks();
}

FileStatus FileReplacer::lockFolder(const std::string& folder, const std::function<void(const std::string&)>& waiting) {
    FileIdentity id;
    DWORD error = 0;
    if (!identityAt(folder, true, id, error))
        return FileStatus::failure(errorText(error));
    if (m_impl->holds(id))
        return FileStatus::success();
    if (m_impl->locks.size() >= kMaxFolderLocks) {
        commit();
        m_impl->releaseLocks();
    }
    const std::wstring name = L"Local\\tagmere-folder-" + std::to_wstring(id.device) + L"-" + std::to_wstring(id.inode);
    Handle mutex(::CreateMutexW(nullptr, FALSE, name.c_str()));
    if (!mutex.valid())
        return FileStatus::failure(lastErrorText());
    DWORD got = ::WaitForSingleObject(mutex.get(), 0);
    if (got == WAIT_TIMEOUT) {
        // Holding nothing while waiting, two runs can never wait for each other.
        if (waiting)
            waiting(folder);
        commit();
        m_impl->releaseLocks();
        got = ::WaitForSingleObject(mutex.get(), INFINITE);
    }
    // An abandoned lock belonged to a run that was killed: it is ours now.
    if (got != WAIT_OBJECT_0 && got != WAIT_ABANDONED)
        return FileStatus::failure(lastErrorText());
    m_impl->locks.push_back({id.device, id.inode, std::move(mutex)});
    removeStaleTemporaries(folder);
    return FileStatus::success();
}

FileStatus FileReplacer::stage(const EditTarget& target, const FileIdentity& identity, std::string_view bytes,
                               Done done, const Backup* backup) {
    if (identity.size >= 0) {
        FileIdentity now;
        DWORD error = 0;
        if (!identityAt(target.path, false, now, error))
            return FileStatus::failure(errorText(error));
        if (!now.sameFile(identity))
            return FileStatus::failure("it changed after it was read, so it was left as it is");
    }
    if (const std::string why = refusalReason(target, identity); !why.empty())
        return FileStatus::failure(why);

    const size_t firstNew = m_impl->staged.size();
    if (backup) {
        std::error_code ec;
        const fs::path copy = fs::u8path(backup->path);
        fs::create_directories(copy.parent_path(), ec);
        if (ec)
            return FileStatus::failure("cannot create backup folder " + copy.parent_path().u8string() + ": " +
                                       ec.message());
        Impl::Staged entry;
        entry.path = backup->path;
        entry.isBackup = true;
        if (FileStatus status = m_impl->stageTemp(folderOf(copy), std::move(entry), backup->oldBytes); !status.ok)
            return FileStatus::failure("backup to " + backup->path + " failed: " + status.description);
    }
    Impl::Staged entry;
    entry.path = target.path;
    entry.identity = identity;
    entry.done = std::move(done);
    if (FileStatus status = m_impl->stageTemp(target.folder, std::move(entry), bytes); !status.ok) {
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
    DWORD error = 0;
    FileIdentity seen;
    if (!identityAt(path, false, seen, error)) {
        if (error != ERROR_FILE_NOT_FOUND)
            return FileStatus::failure(errorText(error));
        const fs::path given = fs::u8path(path);
        target = {path, folderOf(given), given.filename().u8string()};
    } else {
        if (FileStatus status = resolveEditTarget(path, {}, target); !status.ok)
            return status;
        if (!identityAt(target.path, true, identity, error))
            return FileStatus::failure(errorText(error));
        if (identity.mode & FILE_ATTRIBUTE_DIRECTORY)
            return FileStatus::failure(std::strerror(EISDIR));
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
    WIN32_FIND_DATAW found{};
    HANDLE first = ::FindFirstFileW(systemPath(joinPath(folder, "*")).c_str(), &found);
    if (first == INVALID_HANDLE_VALUE)
        return 0;
    do {
        const std::string name = narrow(found.cFileName, std::wcslen(found.cFileName));
        if (!platform::matchesTemporaryPattern(name) ||
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
            continue;
        // Only a file that no live run holds locked; deleting through the locked handle
        // removes that very file.
        Handle h(::CreateFileW(systemPath(joinPath(folder, name)).c_str(), GENERIC_READ | DELETE, kShareAll, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!h.valid() || !lockWhole(h.get(), false))
            continue;
        FILE_DISPOSITION_INFO dispose{};
        dispose.DeleteFile = TRUE;
        if (::SetFileInformationByHandle(h.get(), FileDispositionInfo, &dispose, sizeof dispose))
            ++removed;
    } while (::FindNextFileW(first, &found));
    ::FindClose(first);
    return removed;
}

namespace platform {

unsigned long processId() {
    return ::GetCurrentProcessId();
}

struct FolderListing::Impl {
    std::string folder;
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data{};
    bool pending = false; // `data` holds an entry not yet returned
};

FolderListing::FolderListing(const std::string& folder) : m_impl(std::make_unique<Impl>()) {
    m_impl->folder = folder;
    m_impl->find = ::FindFirstFileExW(systemPath(joinPath(folder, "*")).c_str(), FindExInfoBasic, &m_impl->data,
                                      FindExSearchNameMatch, nullptr, 0);
    m_impl->pending = m_impl->find != INVALID_HANDLE_VALUE;
}

FolderListing::~FolderListing() {
    if (m_impl->find != INVALID_HANDLE_VALUE)
        ::FindClose(m_impl->find);
}

bool FolderListing::isOpen() const {
    return m_impl->find != INVALID_HANDLE_VALUE;
}

bool FolderListing::identity(unsigned long long& volume, unsigned long long& index) const {
    FileIdentity id;
    DWORD error = 0;
    if (!identityAt(m_impl->folder, true, id, error))
        return false;
    volume = id.device;
    index = id.inode;
    return true;
}

bool FolderListing::next(FolderEntry& entry) {
    while (m_impl->pending) {
        const WIN32_FIND_DATAW d = m_impl->data;
        m_impl->pending = ::FindNextFileW(m_impl->find, &m_impl->data) != 0;
        const wchar_t* name = d.cFileName;
        if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0')))
            continue;
        entry = FolderEntry();
        entry.name = narrow(name, std::wcslen(name));
        DWORD attributes = d.dwFileAttributes;
        entry.hidden = (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            // A link counts as what it leads to.
            entry.viaLink = true;
            attributes = ::GetFileAttributesW(systemPath(joinPath(m_impl->folder, entry.name)).c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES)
                return true;
        } else {
            entry.dated = true;
            entry.modified = unixTime(d.ftLastWriteTime);
        }
        entry.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FolderEntry::Kind::Folder
                     : (attributes & FILE_ATTRIBUTE_DEVICE)  ? FolderEntry::Kind::Other
                                                             : FolderEntry::Kind::File;
        return true;
    }
    return false;
}

bool FolderListing::readDate(FolderEntry& entry) const {
    if (!entry.dated && modificationTime(joinPath(m_impl->folder, entry.name), entry.modified))
        entry.dated = true;
    return entry.dated;
}

bool canListFolder(const std::string& folder) {
    return FolderListing(folder).isOpen();
}

std::string realPath(const std::string& path) {
    Handle h = openForInfo(path, true);
    if (!h.valid())
        return {};
    const DWORD n = ::GetFinalPathNameByHandleW(h.get(), nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0)
        return {};
    std::wstring wide(n, L'\0');
    wide.resize(::GetFinalPathNameByHandleW(h.get(), wide.data(), n, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS));
    if (wide.rfind(L"\\\\?\\UNC\\", 0) == 0)
        wide = L"\\\\" + wide.substr(8);
    else if (wide.rfind(L"\\\\?\\", 0) == 0)
        wide = wide.substr(4);
    // Forward slashes, as the search joins names with them.
    std::replace(wide.begin(), wide.end(), L'\\', L'/');
    return narrow(wide);
}

bool modificationTime(const std::string& path, std::time_t& time) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(systemPath(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    time = unixTime(data.ftLastWriteTime);
    return true;
}

bool localTime(std::time_t time, std::tm& local) {
    return ::localtime_s(&local, &time) == 0;
}

std::string displayPath(const std::string& path) {
    std::string shown = path;
    std::replace(shown.begin(), shown.end(), '/', '\\');
    return shown;
}

std::string driveLabel(const std::string& root) {
    // "C:/" is shown as the drive letter the user knows, "c:".
    if (root.size() >= 2 && root[1] == ':')
        return std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(root[0])))) + ":";
    return displayPath(root);
}

std::vector<std::string> commandLineArguments(int, char**) {
    // The narrow arguments went through the code page; the wide ones hold every name.
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 1; wide != nullptr && i < count; ++i)
        args.push_back(narrow(wide[i], std::wcslen(wide[i])));
    if (wide != nullptr)
        ::LocalFree(wide);
    // Output is bytes, as on other systems: no "\r" added before each line end.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    return args;
}

} // namespace platform

} // namespace tagmere
