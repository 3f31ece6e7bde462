// SPDX-License-Identifier: GPL-3.0-or-later
#include "filesearch.h"

#include "files/platform.h"
#include "format/text.h"

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

namespace tagmere {

namespace {

using platform::FolderEntry;
using platform::FolderListing;

struct FoundEntry {
    std::string name;
    std::time_t modified;
    bool dated;
};

// A linked folder is walked only when it lies inside the folder being searched: a
// link planted in a shared tree must not lead the search, and the edits after it, out.
bool insideRoot(const std::string& root, const std::string& folder) {
    const std::string real = platform::realPath(folder);
    if (real.empty())
        return false;
    const std::string path = folderWithSlash(real);
    return !root.empty() && path.compare(0, root.size(), root) == 0;
}

bool byNameIgnoringCase(const std::string& a, const std::string& b) {
    return lessIgnoringCase(a, b);
}

} // namespace

struct FileSearch::Walk {
    FoundFilesList& found;
    const SearchCallbacks& callbacks;
    std::string root; // real path of the start folder, ending in "/"
    std::set<std::pair<unsigned long long, unsigned long long>> visited;
    int streamed = 0; // files handed on without being kept (keepFound false)
};

void FileSearch::buildPatternLists(const std::string& patternText) {
    mstrNamePattern.assign(1, std::string());
    mstrExtPattern.assign(1, std::string());
    std::string text = patternText;
    std::vector<std::string> items;
    msbSplitList(text, items);
    for (std::size_t i = 1; i < items.size(); ++i) {
        std::string base = items[i];
        std::string folder;
        std::string extension;
        msbSplitPath(base, folder, extension);
        mstrNamePattern.push_back(upperAscii(base));
        mstrExtPattern.push_back(upperAscii(extension));
    }
}

bool FileSearch::mfnIsCandidate(std::string_view entryName) const {
    const std::string upper = upperAscii(entryName);
    const std::size_t n = std::min(mstrNamePattern.size(), mstrExtPattern.size());
    // Whether any extension pattern admits the name; ".*" admits every name, "" none.
    const auto anyExtension = [&](bool nameOk) {
        for (std::size_t j = 1; j < n; ++j) {
            const std::string& x = mstrExtPattern[j];
            if (x == ".*") {
                if (nameOk)
                    return true;
            } else if (!x.empty() && nameOk && contains(upper, x)) {
                return true;
            }
        }
        return false;
    };
    // The entry's own base name, for patterns without a wildcard.
    std::string base(entryName);
    std::string folder;
    std::string extension;
    msbSplitPath(base, folder, extension);
    const std::string upperBase = upperAscii(base);
    for (std::size_t i = 1; i < n; ++i) {
        std::string name = mstrNamePattern[i];
        if (name == "*") {
            if (anyExtension(true))
                return true;
        } else if (contains(name, "*")) {
            const bool nameOk = contains(upper, mfnStripWildcards(name));
            if (anyExtension(nameOk))
                return true;
        } else if (upperBase == name && anyExtension(true)) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> FileSearch::candidateList(const std::string& folder) const {
    std::vector<std::string> out;
    FolderListing reader(folderWithSlash(folder));
    if (!reader.isOpen())
        return out;
    // The listing leaves out "." and "..", which a pattern may still take.
    for (const char* dots : {".", ".."}) {
        if (mfnIsCandidate(dots))
            out.emplace_back(dots);
    }
    FolderEntry entry;
    while (reader.next(entry)) {
        if (entry.hidden || entry.kind == FolderEntry::Kind::Other)
            continue;
        if (mfnIsCandidate(entry.name))
            out.push_back(std::move(entry.name));
    }
    std::sort(out.begin(), out.end(), byNameIgnoringCase);
    return out;
}

bool FileSearch::mfnDirDiver(const std::string& lstNewPath, FoundFilesList& found, const SearchCallbacks& callbacks) {
    Walk walk{found, callbacks, {}, {}};
    if (const std::string real = platform::realPath(lstNewPath); !real.empty())
        walk.root = folderWithSlash(real);
    return visit(walk, lstNewPath);
}

bool FileSearch::visit(Walk& walk, const std::string& folder) {
    mblnSearching = true;
    const std::string path = folderWithSlash(folder);
    if (walk.callbacks.stopRequested && walk.callbacks.stopRequested(path))
        return true;
    if (!mblnSearching)
        return true;

    std::vector<std::string> subfolders;
    std::vector<FoundEntry> files;
    {
        FolderListing reader(path);
        if (!reader.isOpen()) {
            // An empty folder on Windows also lists nothing, without an error.
            if (!reader.error().empty() && walk.callbacks.folderSkipped)
                walk.callbacks.folderSkipped(path, reader.error());
            return false;
        }
        unsigned long long volume = 0;
        unsigned long long index = 0;
        if (!reader.identity(volume, index) || !walk.visited.emplace(volume, index).second)
            return false;
        FolderEntry entry;
        while (reader.next(entry)) {
            if (entry.hidden)
                continue;
            if (entry.kind == FolderEntry::Kind::Other)
                continue;
            if (entry.kind == FolderEntry::Kind::Folder && (!entry.viaLink || insideRoot(walk.root, path + entry.name)))
                subfolders.push_back(entry.name);
            if (!endsWithIes(entry.name) || !mfnIsCandidate(entry.name))
                continue;
            if (datesDuringWalk && !reader.readDate(entry))
                continue;
            files.push_back({std::move(entry.name), entry.modified, entry.dated});
        }
    }
    std::sort(subfolders.begin(), subfolders.end(), byNameIgnoringCase);
    std::sort(files.begin(), files.end(),
              [](const FoundEntry& a, const FoundEntry& b) { return lessIgnoringCase(a.name, b.name); });

    for (auto k = subfolders.size(); k > 0 && mblnSearching; --k) {
        if (visit(walk, path + subfolders[k - 1]))
            return true;
    }

    if (files.empty())
        return false;
    const auto shared = std::make_shared<const std::string>(path);
    for (auto& file : files) {
        FoundFileItem item(std::move(file.name), shared);
        if (file.dated)
            item.setModified(file.modified);
        if (!keepFound) {
            if (walk.callbacks.fileFound)
                walk.callbacks.fileFound(item, ++walk.streamed);
            continue;
        }
        const int count = walk.found.add(std::move(item));
        if (walk.callbacks.fileFound)
            walk.callbacks.fileFound(walk.found.item(count), count);
    }
    return false;
}

bool FileSearch::runSearch(const std::string& patternText, const std::string& startFolder, FoundFilesList& found,
                           const SearchCallbacks& callbacks) {
    found.clear();
    buildPatternLists(patternText);
    const bool abandoned = mfnDirDiver(startFolder, found, callbacks);
    mblnSearching = false;
    found.deselectAll();
    return abandoned;
}

} // namespace tagmere
