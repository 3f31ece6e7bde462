// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "foundfiles.h"
#include "pattern.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tagmere {

// How a running search talks to whoever shows it. Both are optional.
struct SearchCallbacks {
    // Called after each file is added to the found list, with the found count so far.
    std::function<void(const FoundFileItem& item, int count)> fileFound;
    // Called once per folder as the walk enters it, before its subfolders are listed,
    // with the folder's path ending in "/". This is where a window processes its pending
    // events; returning true abandons the search.
    std::function<bool(const std::string& folder)> stopRequested;
    // A folder that could not be listed (unreadable, a path too long, no descriptor
    // left), with the reason: its files are not found, and the user must be told.
    std::function<void(const std::string& folder, const std::string& why)> folderSkipped;
};

// The file search: the pattern lists and the walk over a folder tree. Windowless; a
// window keeps one and hands it callbacks for progress and cancel.
//
// A folder is listed with opendir/readdir. Names starting with "." are hidden: they are
// never candidates, and hidden subfolders are not walked;
// "." and ".." are listed like every folder's own entries but never walked. Only regular
// files and folders (symbolic links followed) are entries; devices, pipes and sockets
// are left out. A folder that cannot be listed is skipped (and reported through
// folderSkipped), and so is a link that leads
// nowhere (with datesDuringWalk, also any file whose date cannot be read). Each folder
// is walked once even when links or mounts reach it again (it is known by device and
// inode), so loops end and no file is listed twice; the first path that reaches it wins.
class FileSearch final {
public:
    // Entries 1..n: upper-cased name and extension parts of each pattern item; entry 0
    // holds nothing. Both are empty before the first search.
    std::vector<std::string> mstrNamePattern;
    std::vector<std::string> mstrExtPattern;
    // Set while a walk runs. Clearing it during stopRequested (say, from a second search
    // started inside the first one's event processing) abandons the walk.
    bool mblnSearching = false;
    // False: each file found is only handed to fileFound, not kept in the found list, so
    // a caller that handles files as they come uses memory independent of their number.
    bool keepFound = true;
    // Read each found file's date during the walk, leaving out files whose date cannot
    // be read. Off, a file's date is read when the item is first asked for it: each read
    // is one stat call, which on a large tree costs more than the walk itself, and the
    // list shows the names only.
    bool datesDuringWalk = false;

    // Resets both pattern lists and fills them from a ";"-separated pattern text; the
    // folder part of an item is ignored. "*.ies" gives ("*", ".IES").
    void buildPatternLists(const std::string& patternText);

    // The candidate filter: whether a folder entry's name enters its folder's candidate
    // list under the current pattern lists. Every name pattern is tried with every
    // extension pattern, and an extension counts when it occurs anywhere in the name.
    bool mfnIsCandidate(std::string_view entryName) const;

    // The candidate list of one folder: its non-hidden entries, "." and ".." included,
    // that pass the filter, sorted by name ignoring case. Empty when the folder cannot
    // be listed.
    std::vector<std::string> candidateList(const std::string& folder) const;

    // Walks the folder tree below `lstNewPath` (the folder included) and adds every
    // candidate whose name ends in ".IES" (any case) to `found`, checked. Subfolders are
    // visited from the last in name order (ignoring case) to the first, each subtree
    // finished before the next, and a folder's own files follow those of its subfolders,
    // in name order. Returns true when the walk was abandoned; what was found stays.
    bool mfnDirDiver(const std::string& lstNewPath, FoundFilesList& found, const SearchCallbacks& callbacks = {});

    // The Search command without its window, so the CLI and the window list the same
    // files: `found` holds only this search's files, none of them selected. Returns true
    // when the walk was abandoned.
    bool runSearch(const std::string& patternText, const std::string& startFolder, FoundFilesList& found,
                   const SearchCallbacks& callbacks = {});

private:
    struct Walk;
    bool visit(Walk& walk, const std::string& folder);
};

} // namespace tagmere
