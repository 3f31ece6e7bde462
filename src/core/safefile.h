#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tagmere {

// Outcome of a file operation; description is the system's text for the error.
struct FileStatus {
    bool ok = true;
    std::string description;

    static FileStatus success() { return {}; }
    static FileStatus failure(std::string why) { return {false, std::move(why)}; }
};

// How a replaced file is made durable. SyncEachFile flushes every file to disk before
// it is renamed into place; Deferred leaves the flush to one syncFileSystem() call at
// the end of a run. Either way the original is only ever swapped whole by a rename,
// so a killed process leaves each file old or new, never torn.
enum class Durability { SyncEachFile, Deferred };

// Reads the whole file. On failure `bytes` holds what was read before the error. A file
// larger than maxBytes (when not negative) is refused without being read.
FileStatus readWholeFile(const std::string& path, std::string& bytes, long long maxBytes = -1);

// Replaces the file's contents by `bytes`: a temporary file is written beside it,
// flushed and renamed over it, keeping its permission bits (and owner when we can).
// A file or folder without write permission is refused and left unchanged, also for
// root, for whom the system would allow the write.
FileStatus replaceFile(const std::string& path, std::string_view bytes,
                       Durability durability = Durability::SyncEachFile);

// True for the names of the temporary files replaceFile() writes.
bool isTemporaryName(std::string_view fileName);

// Removes temporary files that a killed run left in `folder` (those whose writing
// process is gone). Returns how many were removed.
int removeStaleTemporaries(const std::string& folder);

// Flushes the file system that holds `path` (one call for a whole run).
void syncFileSystem(const std::string& path);

// Collects the file systems a run wrote to with Durability::Deferred and flushes each
// once at the end.
class DeferredSync final {
public:
    void add(const std::string& path);
    void flush();
    ~DeferredSync() { flush(); }

private:
    std::vector<std::pair<unsigned long, std::string>> m_devices; // device, one path on it
};

} // namespace tagmere
