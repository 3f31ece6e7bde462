// SPDX-License-Identifier: GPL-3.0-or-later
#include "targets.h"

#include "core/message.h"
#include "files/platform.h"
#include "keywords/keywordlist.h"
#include "search/filesearch.h"

#include <ostream>

namespace fs = std::filesystem;

namespace tagmere::cli {

fs::path pathOf(const std::string& name) {
    return fs::u8path(name);
}

bool isFolder(const std::string& name) {
    std::error_code ec;
    return fs::is_directory(pathOf(name), ec);
}

std::string folderProblem(const std::string& dir) {
    std::error_code ec;
    if (!fs::exists(pathOf(dir), ec))
        return "no such folder: " + dir;
    if (!isFolder(dir))
        return "not a folder: " + dir;
    if (!platform::canListFolder(dir))
        return "cannot read folder: " + dir;
    return {};
}

bool forEachTarget(const std::vector<std::string>& given, TargetVisitor& visit, std::ostream& err) {
    for (const auto& target : given) {
        if (isFolder(target)) {
            if (const std::string problem = folderProblem(target); !problem.empty()) {
                err << "tagmere-cli: " << problem << "\n";
                return false;
            }
        }
    }
    bool stop = false;
    for (const auto& target : given) {
        if (!isFolder(target)) {
            stop = !visit.file(target, {});
        } else {
            FileSearch search;
            search.keepFound = false;
            FoundFilesList unused;
            SearchCallbacks callbacks;
            callbacks.fileFound = [&](const FoundFileItem& item, int) {
                // Shown and used as the system's users write paths.
                if (!stop)
                    stop = !visit.file(platform::displayPath(item.fullPath()), target);
            };
            callbacks.stopRequested = [&](const std::string& folder) {
                if (!stop && visit.folder)
                    visit.folder(folder);
                return stop;
            };
            callbacks.folderSkipped = [&](const std::string& folder, const std::string& why) {
                if (visit.beforeMessage)
                    visit.beforeMessage();
                err << "tagmere-cli: cannot read folder " << platform::displayPath(folder) << ": " << why
                    << "; its files were skipped\n";
                ++visit.skipped;
            };
            search.runSearch(kDefaultFilePattern, target, unused, callbacks);
        }
        if (stop)
            break;
    }
    return true;
}

bool loadTrees(const std::string& listPath, KeywordTrees& trees, std::ostream& err) {
    KeywordList list;
    const ListLoadResult loaded = readKeywordFile(listPath, list);
    if (!loaded.ok) {
        err << "tagmere-cli: " << loaded.description << "\n";
        return false;
    }
    if (loaded.value)
        err << "tagmere-cli: " << consoleText(*loaded.value) << "\n";
    trees.msbDisplayKeywords(list, SelectColors{}, false);
    return true;
}

} // namespace tagmere::cli
