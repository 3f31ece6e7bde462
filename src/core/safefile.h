// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace tagmere {

namespace platform {
class Folder;
} // namespace platform

// Outcome of a file operation; description is the system's text for the error.
struct FileStatus {
    bool ok = true;
    std::string description;

    static FileStatus success() { return {}; }
    static FileStatus failure(std::string why) { return {false, std::move(why)}; }
};

// What a file was when it was read. A replacement goes ahead only while the file is
// still this one, so another writer's change is never overwritten unseen.
struct FileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = -1;
    long long modifiedSec = 0;
    long long modifiedNsec = 0;
    // The time of the last change of content or metadata, which no program can set back
    // (0 where the system does not give it).
    long long changedSec = 0;
    long long changedNsec = 0;
    unsigned long links = 0;
    unsigned owner = 0;
    unsigned mode = 0;

    // Same file, same size and times: nothing wrote to it.
    bool sameFile(const FileIdentity& o) const {
        return sameContent(o) && changedSec == o.changedSec && changedNsec == o.changedNsec;
    }
    // Same file, size and modification time; a rename changes the change time, not these.
    bool sameContent(const FileIdentity& o) const {
        return device == o.device && inode == o.inode && size == o.size && modifiedSec == o.modifiedSec &&
               modifiedNsec == o.modifiedNsec;
    }
};

// Reads the whole file. On failure `bytes` holds what was read before the error. A file
// larger than maxBytes (when not negative) is refused without being read, and so is one
// that another program keeps writing while it is read.
FileStatus readWholeFile(const std::string& path, std::string& bytes, long long maxBytes = -1,
                         FileIdentity* identity = nullptr);

// Where a file to be edited really lives. A symbolic link is followed to its file,
// which must lie inside `root` (a folder being searched; for a file named on its own,
// the link's own folder), so a planted link cannot send a write elsewhere.
struct EditTarget {
    std::string path;     // real path of the file
    std::string folder;   // its real folder
    std::string name;     // its name in that folder
    bool escapes = false; // a link that leads out of the root: refused, not unreadable
    // The folder, held open where the system allows: the read, the lock, the temporary
    // file and the rename all happen relative to it, so a folder swapped for a link after
    // the search listed it is never entered. Below the root it was opened one step at a
    // time without following a link.
    std::shared_ptr<platform::Folder> dir;
};
// `previous`, the target before this one, lends its open folder when it is the same: a
// run over a large folder then holds one descriptor for it, not one per file.
FileStatus resolveEditTarget(const std::string& path, const std::string& root, EditTarget& target,
                             const EditTarget* previous = nullptr);

// Reads the target's file through its open folder, without following a link.
FileStatus readWholeFile(const EditTarget& target, std::string& bytes, long long maxBytes = -1,
                         FileIdentity* identity = nullptr);

// Why an existing file must not be replaced, or empty: write-protected, more than one
// hard link, or owned by someone else (the replacement would become ours).
std::string refusalReason(const EditTarget& target, const FileIdentity& identity);

// Replaces files safely. Each new text goes to a temporary file beside its original,
// which carries over the original's mode, group, ACL and extended attributes. Staged
// files are made durable together (one flush per file system and chunk), and only
// then renamed over their originals, each only while it is still the file that was
// read. A run also holds an advisory lock on each folder it works in, so two runs never
// edit the same folder at once; the first lock on a folder removes temporary files
// that a killed run left there.
class FileReplacer final {
public:
    // Called once per staged file when its fate is known: success, or why it failed.
    using Done = std::function<void(const std::string& path, const FileStatus& status)>;

    // `chunk` files are staged before they are flushed and renamed together; 1 makes
    // every file durable on its own (single saves).
    explicit FileReplacer(size_t chunk = 64);
    ~FileReplacer(); // discards what is still staged: only commit() writes
    FileReplacer(const FileReplacer&) = delete;
    FileReplacer& operator=(const FileReplacer&) = delete;

    // Takes the lock of the target's folder (waiting for another run; `waiting` is told first).
    FileStatus lockFolder(const EditTarget& target, const std::function<void(const std::string&)>& waiting = {});

    // A copy of the old text kept before the original is replaced, at `relative` below the
    // folder `base`: folders are made there (mode 0700) and entered without following a
    // link, and a path that climbs out of `base` is refused. It never overwrites a file:
    // when one is there, ".~N~" is appended. It takes the original's mode, group and
    // attributes, so it is never readable by more users than the original.
    struct Backup {
        std::string base;
        std::string relative;
        std::string_view oldBytes;
    };

    // Stages the replacement of `target` (read as `identity`; a new file when
    // identity.size < 0). Failures before staging come back at once; later ones and
    // success come through `done`.
    FileStatus stage(const EditTarget& target, const FileIdentity& identity, std::string_view bytes, Done done,
                     const Backup* backup = nullptr);

    // Flushes and renames every staged file, then makes the renames durable; a file is
    // reported written only once its folder is flushed.
    void commit();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Replaces one file (an existing one or a new one) and makes it durable before
// returning. A symbolic link is followed to its file within the link's folder.
FileStatus replaceFile(const std::string& path, std::string_view bytes);
// The same, only while the file is still the one read as `expected`: a text shown to
// the user is never saved over a change made since.
FileStatus replaceFile(const std::string& path, std::string_view bytes, const FileIdentity& expected);

// Removes the temporary files that no live run holds from `folder`. Returns how many.
int removeStaleTemporaries(const std::string& folder);

} // namespace tagmere
