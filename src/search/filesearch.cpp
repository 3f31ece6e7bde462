#include "filesearch.h"

#include "core/text.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace tagmere {

namespace {

enum class EntryKind { Folder, File, Other };

// An open folder listing, closed on every way out.
class FolderReader final {
public:
    explicit FolderReader(const std::string& path) : m_dir(::opendir(path.c_str())) {}
    ~FolderReader() {
        if (m_dir != nullptr)
            ::closedir(m_dir);
    }
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    bool isOpen() const { return m_dir != nullptr; }
    int fd() const { return ::dirfd(m_dir); }
    const dirent* next() { return ::readdir(m_dir); }

private:
    DIR* m_dir;
};

bool isDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The entry's kind from the listing alone where it can tell, so that only links and
// file systems without a type in their listing cost a stat. `info` is filled when the
// entry had to be looked at.
EntryKind kindOf(int folderFd, const dirent* entry, struct stat& info, bool& haveInfo) {
    haveInfo = false;
    switch (entry->d_type) {
    case DT_DIR:
        return EntryKind::Folder;
    case DT_REG:
        return EntryKind::File;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return EntryKind::Other;
    }
    if (::fstatat(folderFd, entry->d_name, &info, 0) != 0)
        return EntryKind::Other;
    haveInfo = true;
    if (S_ISDIR(info.st_mode))
        return EntryKind::Folder;
    return S_ISREG(info.st_mode) ? EntryKind::File : EntryKind::Other;
}

struct FoundEntry {
    std::string name;
    std::time_t modified;
    bool dated;
};

// A linked folder is walked only when it lies inside the folder being searched: a
// link planted in a shared tree must not lead the search, and the edits after it, out.
bool insideRoot(const std::string& root, const std::string& folder) {
    char* real = ::realpath(folder.c_str(), nullptr);
    if (real == nullptr)
        return false;
    const std::string path = folderWithSlash(real);
    std::free(real);
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
    std::set<std::pair<dev_t, ino_t>> visited;
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
    FolderReader reader(folderWithSlash(folder));
    if (!reader.isOpen())
        return out;
    while (const dirent* entry = reader.next()) {
        const char* name = entry->d_name;
        if (name[0] == '.' && !isDotEntry(name))
            continue;
        struct stat info;
        bool haveInfo = false;
        if (kindOf(reader.fd(), entry, info, haveInfo) == EntryKind::Other)
            continue;
        if (mfnIsCandidate(name))
            out.emplace_back(name);
    }
    std::sort(out.begin(), out.end(), byNameIgnoringCase);
    return out;
}

bool FileSearch::mfnDirDiver(const std::string& lstNewPath, FoundFilesList& found, const SearchCallbacks& callbacks) {
    Walk walk{found, callbacks, {}, {}};
    if (char* real = ::realpath(lstNewPath.c_str(), nullptr)) {
        walk.root = folderWithSlash(real);
        std::free(real);
    }
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
        FolderReader reader(path);
        if (!reader.isOpen())
            return false;
        struct stat self;
        if (::fstat(reader.fd(), &self) != 0 || !walk.visited.emplace(self.st_dev, self.st_ino).second)
            return false;
        while (const dirent* entry = reader.next()) {
            const char* name = entry->d_name;
            // Dot names are hidden, "." and ".." among them: none is listed or walked.
            if (name[0] == '.')
                continue;
            struct stat info;
            bool haveInfo = false;
            const EntryKind kind = kindOf(reader.fd(), entry, info, haveInfo);
            if (kind == EntryKind::Other)
                continue;
            if (kind == EntryKind::Folder && (entry->d_type == DT_DIR || insideRoot(walk.root, path + name)))
                subfolders.emplace_back(name);
            if (!endsWithIes(name) || !mfnIsCandidate(name))
                continue;
            if (!haveInfo && datesDuringWalk) {
                if (::fstatat(reader.fd(), name, &info, 0) != 0)
                    continue;
                haveInfo = true;
            }
            files.push_back({name, haveInfo ? info.st_mtime : 0, haveInfo});
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
