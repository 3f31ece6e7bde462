// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Everything that differs between systems sits behind this header, one source file per
// system (platform_posix.cpp, platform_windows.cpp); nothing else includes a system
// header. Names are UTF-8 std::string throughout; a Windows build converts them to and
// from UTF-16 at the system's edge. The safe replacement (safefile.h) is implemented
// in the same files.

#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tagmere::platform {

// One entry of a folder listing, with what the search needs to know about it.
struct FolderEntry {
    enum class Kind { Folder, File, Other };
    std::string name;
    Kind kind = Kind::Other;
    // Reached through a link (or a listing that could not tell the kind), so a folder
    // is walked only when it lies inside the searched root.
    bool viaLink = false;
    // Left out of the search unless asked for: a leading "." on POSIX, the hidden or
    // system attribute on Windows.
    bool hidden = false;
    bool dated = false;
    std::time_t modified = 0;
};

// A folder being listed; "." and ".." are never returned.
class FolderListing final {
public:
    explicit FolderListing(const std::string& folder);
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    bool isOpen() const;
    // Which folder this is, so that one reached twice through links is walked once.
    bool identity(unsigned long long& volume, unsigned long long& index) const;
    // The next entry. Its date comes with it only when finding its kind needed a look
    // at the file anyway; readDate fetches it otherwise.
    bool next(FolderEntry& entry);
    bool readDate(FolderEntry& entry) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// True when the folder can be opened for listing.
bool canListFolder(const std::string& folder);

// The path with links and "." / ".." resolved, or empty when it does not exist.
std::string realPath(const std::string& path);

// The last modification time of a file.
bool modificationTime(const std::string& path, std::time_t& time);

// Local broken-down time.
bool localTime(std::time_t time, std::tm& local);

// The path as the system's users write it: backslashes on Windows.
std::string displayPath(const std::string& path);

// The text to show for a drive root in the drive list: "c:" on Windows, the root itself
// elsewhere.
std::string driveLabel(const std::string& root);

// The program's arguments (without the program name) as UTF-8, and the standard
// streams set up to pass bytes through unchanged.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Shared by both systems' replacement code (safefile.cpp).
unsigned long processId();
std::string temporaryFileName();
bool matchesTemporaryPattern(std::string_view name);

} // namespace tagmere::platform
