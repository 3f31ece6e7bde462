// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Everything that differs between systems sits behind this header, one source file per
// system (platform_posix.cpp, platform_windows.cpp); nothing else includes a system
// header. Names are UTF-8 std::string throughout; a Windows build converts them to and
// from UTF-16 at the system's edge. The same files implement the calls of fileinfo.h;
// the safe replacement (safefile.cpp) puts these steps together.

#include "fileinfo.h"

#include <ctime>
#include <functional>
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
    // Why the folder could not be opened (empty when it was).
    const std::string& error() const;
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

// ---- The steps of a safe replacement; safefile.cpp puts them together.

inline constexpr const char* kChangedAfterRead = "it changed after it was read, so it was left as it is";

unsigned long processId();
// How many files this process may hold open at once (a run keeps well below it).
size_t openFileLimit();
// The refusal of a file over the size a read takes.
Status tooLarge(long long maxBytes);
std::string temporaryFileName();
bool matchesTemporaryPattern(std::string_view name);

// The folder a path names a file in ("." for a bare name), and the file's name.
std::string folderOf(const std::string& path);
std::string fileNameOf(const std::string& path);

// What is at `path` now (a link itself unless `follow`): its identity, or why it
// cannot be looked at; `missing` when nothing is there.
struct PathState {
    Status status;
    bool missing = false;
    bool folder = false;
    FileIdentity identity;
};
PathState lookUp(const std::string& path, bool follow);
// The target's file itself (a link is not followed), and the target's folder.
PathState lookUp(const EditTarget& target);
PathState lookUpFolder(const EditTarget& target);

// A folder held open for an edit (see EditTarget::dir).
class Folder {
public:
    virtual ~Folder() = default;
};
// Opens `folder`. When it lies below `root` (the folder the user chose, opened as named),
// each step below `root` is opened without following a link: a step that is a link now
// is refused.
Status openFolder(const std::string& root, const std::string& folder, std::shared_ptr<Folder>& dir);
// Opens the folder `relative` (plain: no "..") below `base` (the user's backup folder),
// making what is missing with mode 0700, never through a link.
// `target.folder` and `target.dir` name the folder opened.
Status openFolderBelow(const std::string& base, const std::string& relative, EditTarget& target);

// A folder lock held by this run, let go when destroyed.
class FolderLock {
public:
    virtual ~FolderLock() = default;
};
// Takes the lock of the target's folder (whose identity is `id`). Without `wait`, a lock
// that another run holds gives success and no lock.
Status lockFolder(const EditTarget& target, const FileIdentity& id, bool wait, std::unique_ptr<FolderLock>& lock);
// Removes the temporary files that no live run holds from the target's folder.
int removeStaleTemporaries(const EditTarget& target);

// A temporary file beside the file it is to become, open and locked (so no cleanup
// takes it) until it is placed or discarded.
class TempFile {
public:
    virtual ~TempFile() = default;
};
// Writes `bytes` to a new temporary file in the folder of `where`. With `like` it takes
// that file's group, mode and extended attributes, and no others (none that the folder
// would hand down); without, those of a new file.
Status writeTemporary(const EditTarget& where, std::string_view bytes, const EditTarget* like,
                      std::unique_ptr<TempFile>& temp);
void discard(TempFile& temp);
// Makes the data of every file durable: one flush per file system, or per file when
// `each`. Returns a status per file.
std::vector<Status> makeDurable(const std::vector<TempFile*>& temps, bool each);
// Puts a backup in place under `path`, or the next free "path.~N~": never over a file.
Status placeBackup(TempFile& temp, const std::string& path);
// Puts the file in place of `path`, only while that is still the file read as
// `identity` (for a new file, identity.size < 0: while nothing is there). Where the
// system can swap two names in one step, it swaps, then checks that what came out is the
// file that was read, and swaps back when it is not; a file moved away is never made
// again.
Status placeOver(TempFile& temp, const std::string& path, const FileIdentity& identity);
// Makes the renames of these placed files durable with their folders; a status per file.
std::vector<Status> syncFolders(const std::vector<TempFile*>& placed);

// What the temporary file is now, and so what the file will be once placed (a rename
// keeps a file's device, number, size and modification time).
FileIdentity temporaryIdentity(TempFile& temp);

// ---- The run journal's files.

// Where this program keeps what it must remember between runs, the run journal: on POSIX
// $XDG_STATE_HOME/tagmere (~/.local/state/tagmere when unset), on Windows
// %LOCALAPPDATA%\Tagmere.
std::string stateFolder();

// A file that is only ever appended to: made new (never over a file) and private to the
// user, its name made durable at once; flushAppendFile makes what was appended durable.
class AppendFile {
public:
    virtual ~AppendFile() = default;
};
Status createAppendFile(const EditTarget& folder, const std::string& name, std::unique_ptr<AppendFile>& file);
// True while a live run holds this append file (its journal is being written).
bool appendFileInUse(const std::string& path);
// Makes the names a folder holds durable (a folder just made in it, say).
Status syncFolder(const std::string& folder);
Status appendTo(AppendFile& file, std::string_view bytes);
Status flushAppendFile(AppendFile& file);

// Points where a test plays another program or a failing disk; empty in a real run.
struct TestHooks {
    // Before a file is put in place over `path`, after the last look at it.
    std::function<void(const std::string& path)> beforePlace;
    // Between the first look at a file being read and the read itself.
    std::function<void(const std::string& path)> duringRead;
    // Instead of flushing a folder: the error number to fail with, or 0.
    std::function<int()> folderFlush;
};
TestHooks& testHooks();

} // namespace tagmere::platform
