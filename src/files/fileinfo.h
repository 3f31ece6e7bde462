// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "format/result.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>

// What a file is and how it is read: the types every file operation shares, and the calls
// each system implements in its own source file (platform_posix.cpp, platform_windows.cpp).
namespace tagmere {

namespace platform {
class Folder;
} // namespace platform

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
Status readWholeFile(const std::string& path, std::string& bytes, long long maxBytes = -1,
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
Status resolveEditTarget(const std::string& path, const std::string& root, EditTarget& target,
                         const EditTarget* previous = nullptr);

// Reads the target's file through its open folder, without following a link.
Status readWholeFile(const EditTarget& target, std::string& bytes, long long maxBytes = -1,
                     FileIdentity* identity = nullptr);

// The same permissions and owner: what a replacement keeps, so a file whose permissions
// changed since is not the file a run left.
bool samePermissions(const FileIdentity& a, const FileIdentity& b);

// Why an existing file must not be replaced, or empty: write-protected, more than one
// hard link, or owned by someone else (the replacement would become ours).
std::string refusalReason(const EditTarget& target, const FileIdentity& identity);

} // namespace tagmere
