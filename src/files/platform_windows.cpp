// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
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

// A folder lock is a named mutex per volume and folder: Windows locks byte ranges of
// files only, and a lock file would be one more file in the user's folder.
class WindowsFolderLock final : public platform::FolderLock {
public:
    explicit WindowsFolderLock(Handle mutex) : m_mutex(std::move(mutex)) {}
    ~WindowsFolderLock() override { ::ReleaseMutex(m_mutex.get()); }

private:
    Handle m_mutex;
};

class WindowsTempFile final : public platform::TempFile {
public:
    std::string path; // full name of the temporary file
    Handle file;      // kept open (and locked) until the flush
};

WindowsTempFile& windows(platform::TempFile& temp) {
    return static_cast<WindowsTempFile&>(temp);
}

} // namespace

Status readWholeFile(const std::string& path, std::string& bytes, long long maxBytes, FileIdentity* identity) {
    bytes.clear();
    Handle h(::CreateFileW(systemPath(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h.valid())
        return Status::failure(lastErrorText());
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h.get(), &info))
        return Status::failure(lastErrorText());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return Status::failure(std::strerror(EISDIR));
    if (::GetFileType(h.get()) != FILE_TYPE_DISK)
        return Status::failure("it is not a regular file");
    const FileIdentity id = identityOf(info);
    if (maxBytes >= 0 && id.size > maxBytes)
        return platform::tooLarge(maxBytes);
    if (identity)
        *identity = id;
    bytes.reserve(static_cast<size_t>(id.size));
    char chunk[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(h.get(), chunk, sizeof chunk, &n, nullptr))
            return Status::failure(lastErrorText());
        if (n == 0)
            break;
        bytes.append(chunk, n);
        if (maxBytes >= 0 && static_cast<long long>(bytes.size()) > maxBytes)
            return platform::tooLarge(maxBytes);
    }
    // A file another program wrote while it was read is not taken for its text.
    BY_HANDLE_FILE_INFORMATION after{};
    if (!::GetFileInformationByHandle(h.get(), &after))
        return Status::failure(lastErrorText());
    if (!identityOf(after).sameFile(id) || static_cast<long long>(bytes.size()) != id.size)
        return Status::failure("another program wrote it while it was read");
    return Status::success();
}

// Windows has no reading relative to an open folder that this program can use; the
// search's own refusal of links leading out stands in for it.
Status readWholeFile(const EditTarget& target, std::string& bytes, long long maxBytes, FileIdentity* identity) {
    return readWholeFile(target.path, bytes, maxBytes, identity);
}

Status resolveEditTarget(const std::string& path, const std::string& root, EditTarget& target, const EditTarget*) {
    const DWORD attributes = ::GetFileAttributesW(systemPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Status::failure(lastErrorText());
    const fs::path given = fs::u8path(path);
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        target = {path, folderOf(given), given.filename().u8string(), false, nullptr};
        return Status::success();
    }
    const std::string real = platform::realPath(path);
    const std::string inside = platform::realPath(root.empty() ? folderOf(given) : root);
    if (real.empty() || inside.empty())
        return Status::failure(lastErrorText());
    const std::string prefix = inside.back() == '/' ? inside : inside + "/";
    // Names differ in case only on other systems' shares; compare as the system does.
    target.escapes =
        real.size() < prefix.size() || ::CompareStringOrdinal(widen(real.substr(0, prefix.size())).c_str(), -1,
                                                              widen(prefix).c_str(), -1, TRUE) != CSTR_EQUAL;
    if (target.escapes)
        return Status::failure("it is a symbolic link to " + platform::displayPath(real) + ", outside " +
                               platform::displayPath(inside));
    const fs::path resolved = fs::u8path(real);
    target = {platform::displayPath(real), platform::displayPath(folderOf(resolved)), resolved.filename().u8string(),
              false, nullptr};
    return Status::success();
}

// The read-only attribute is the permission a replacement keeps; the archive bit comes
// and goes with every write.
bool samePermissions(const FileIdentity& a, const FileIdentity& b) {
    return (a.mode & FILE_ATTRIBUTE_READONLY) == (b.mode & FILE_ATTRIBUTE_READONLY);
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

namespace platform {

std::string folderOf(const std::string& path) {
    return tagmere::folderOf(fs::u8path(path));
}

std::string fileNameOf(const std::string& path) {
    return fs::u8path(path).filename().u8string();
}

PathState lookUp(const std::string& path, bool follow) {
    PathState state;
    DWORD error = 0;
    if (!identityAt(path, follow, state.identity, error)) {
        state.missing = error == ERROR_FILE_NOT_FOUND;
        state.status = Status::failure(errorText(error));
        return state;
    }
    state.folder = (state.identity.mode & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return state;
}

PathState lookUp(const EditTarget& target) {
    return lookUp(target.path, false);
}

PathState lookUpFolder(const EditTarget& target) {
    return lookUp(target.folder, true);
}

Status openFolder(const std::string&, const std::string& folder, std::shared_ptr<Folder>& dir) {
    dir.reset();
    const PathState state = lookUp(folder, true);
    if (!state.status.ok)
        return state.status;
    return state.folder ? Status::success() : Status::failure(errorText(ERROR_DIRECTORY));
}

Status openFolderBelow(const std::string& base, const std::string& relative, EditTarget& target) {
    const fs::path below = fs::u8path(relative).lexically_normal().relative_path();
    target.folder = (fs::u8path(base) / below).lexically_normal().u8string();
    std::error_code ec;
    fs::create_directories(fs::u8path(target.folder), ec);
    if (ec)
        return Status::failure(ec.message());
    return Status::success();
}

Status lockFolder(const EditTarget&, const FileIdentity& id, bool wait, std::unique_ptr<FolderLock>& lock) {
    const std::wstring name = L"Local\\tagmere-folder-" + std::to_wstring(id.device) + L"-" + std::to_wstring(id.inode);
    Handle mutex(::CreateMutexW(nullptr, FALSE, name.c_str()));
    if (!mutex.valid())
        return Status::failure(lastErrorText());
    const DWORD got = ::WaitForSingleObject(mutex.get(), wait ? INFINITE : 0);
    if (got == WAIT_TIMEOUT && !wait)
        return Status::success();
    // An abandoned lock belonged to a run that was killed: it is ours now.
    if (got != WAIT_OBJECT_0 && got != WAIT_ABANDONED)
        return Status::failure(lastErrorText());
    lock = std::make_unique<WindowsFolderLock>(std::move(mutex));
    return Status::success();
}

int removeStaleTemporaries(const EditTarget& target) {
    const std::string& folder = target.folder;
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

// The attributes and security of an original are kept by ReplaceFileW at the rename.
Status writeTemporary(const EditTarget& where, std::string_view bytes, const EditTarget*,
                      std::unique_ptr<TempFile>& temp) {
    auto file = std::make_unique<WindowsTempFile>();
    file->path = joinPath(where.folder, temporaryFileName());
    file->file = Handle(::CreateFileW(systemPath(file->path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file->file.valid())
        return Status::failure(lastErrorText());
    // The lock tells a cleanup in another process that this file is alive.
    lockWhole(file->file.get(), true);
    if (!writeAll(file->file.get(), bytes)) {
        const std::string why = lastErrorText();
        discard(*file);
        return Status::failure(why);
    }
    temp = std::move(file);
    return Status::success();
}

void discard(TempFile& temp) {
    WindowsTempFile& file = windows(temp);
    file.file.reset();
    ::DeleteFileW(systemPath(file.path).c_str());
}

// Windows has no flush per volume for ordinary users, so each file is flushed.
std::vector<Status> makeDurable(const std::vector<TempFile*>& temps, bool) {
    std::vector<Status> results(temps.size());
    for (size_t i = 0; i < temps.size(); ++i) {
        WindowsTempFile& file = windows(*temps[i]);
        if (!::FlushFileBuffers(file.file.get()))
            results[i] = Status::failure("the data could not be made durable: " + lastErrorText());
        else
            file.file.reset();
    }
    return results;
}

Status placeBackup(TempFile& temp, const std::string& path) {
    const WindowsTempFile& file = windows(temp);
    std::string name = path;
    for (int n = 1; n < 1000; ++n) {
        if (::MoveFileExW(systemPath(file.path).c_str(), systemPath(name).c_str(), MOVEFILE_WRITE_THROUGH))
            return Status::success();
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            return Status::failure("backup to " + path + " failed: " + errorText(error));
        name = path + ".~" + std::to_string(n) + "~";
    }
    return Status::failure("backup to " + path + " failed: too many backups");
}

Status placeOver(TempFile& temp, const std::string& path, const FileIdentity& identity) {
    const WindowsTempFile& file = windows(temp);
    if (const auto& hook = testHooks().beforePlace)
        hook(path);
    FileIdentity now;
    DWORD error = 0;
    if (identityAt(path, false, now, error)) {
        if (identity.size < 0 || !now.sameFile(identity))
            return Status::failure(kChangedAfterRead);
    } else if (error != ERROR_FILE_NOT_FOUND || identity.size >= 0) {
        return Status::failure(error == ERROR_FILE_NOT_FOUND ? "it was removed after it was read" : errorText(error));
    }
    if (identity.size < 0) {
        // A new file: never over one that appeared meanwhile.
        if (!::MoveFileExW(systemPath(file.path).c_str(), systemPath(path).c_str(), MOVEFILE_WRITE_THROUGH))
            return Status::failure(lastErrorText());
        return Status::success();
    }
    // Keeps the original's attributes and security descriptor.
    if (!::ReplaceFileW(systemPath(path).c_str(), systemPath(file.path).c_str(), nullptr,
                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return Status::failure(lastErrorText());
    return Status::success();
}

FileIdentity temporaryIdentity(TempFile& temp) {
    BY_HANDLE_FILE_INFORMATION info{};
    ::GetFileInformationByHandle(windows(temp).file.get(), &info);
    return identityOf(info);
}

std::string stateFolder() {
    const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA");
    if (local && local[0])
        return narrow(local, std::wcslen(local)) + "\\Tagmere";
    const wchar_t* profile = ::_wgetenv(L"USERPROFILE");
    return narrow(profile ? profile : L"C:", profile ? std::wcslen(profile) : 2) + "\\AppData\\Local\\Tagmere";
}

namespace {

class WindowsAppendFile final : public AppendFile {
public:
    Handle file;
};

} // namespace

Status createAppendFile(const EditTarget& folder, const std::string& name, std::unique_ptr<AppendFile>& file) {
    auto made = std::make_unique<WindowsAppendFile>();
    made->file = Handle(::CreateFileW(systemPath(joinPath(folder.folder, name)).c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!made->file.valid())
        return Status::failure(lastErrorText());
    file = std::move(made);
    return Status::success();
}

// A folder's names are written through with the moves and creations that change them.
Status syncFolder(const std::string&) {
    return Status::success();
}

// A live run opens its append file sharing it for reading only: an exclusive open fails.
bool appendFileInUse(const std::string& path) {
    Handle h(::CreateFileW(systemPath(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return !h.valid() && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

Status appendTo(AppendFile& file, std::string_view bytes) {
    if (!writeAll(static_cast<WindowsAppendFile&>(file).file.get(), bytes))
        return Status::failure(lastErrorText());
    return Status::success();
}

Status flushAppendFile(AppendFile& file) {
    if (!::FlushFileBuffers(static_cast<WindowsAppendFile&>(file).file.get()))
        return Status::failure(lastErrorText());
    return Status::success();
}

// The moves were written through.
std::vector<Status> syncFolders(const std::vector<TempFile*>& placed) {
    return std::vector<Status>(placed.size());
}

unsigned long processId() {
    return ::GetCurrentProcessId();
}

// Handles are limited only by memory on Windows.
size_t openFileLimit() {
    return 8192;
}

struct FolderListing::Impl {
    std::string folder;
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW data{};
    bool pending = false; // `data` holds an entry not yet returned
    std::string error;
};

FolderListing::FolderListing(const std::string& folder) : m_impl(std::make_unique<Impl>()) {
    m_impl->folder = folder;
    m_impl->find = ::FindFirstFileExW(systemPath(joinPath(folder, "*")).c_str(), FindExInfoBasic, &m_impl->data,
                                      FindExSearchNameMatch, nullptr, 0);
    m_impl->pending = m_impl->find != INVALID_HANDLE_VALUE;
    // An empty folder has no first entry, and is no error.
    if (!m_impl->pending && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        m_impl->error = lastErrorText();
}

const std::string& FolderListing::error() const {
    return m_impl->error;
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
