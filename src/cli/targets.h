// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "keywords/keywordtree.h"

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace tagmere::cli {

// Names are UTF-8 throughout; a path made from a plain std::string would go through the
// system's narrow code page on Windows, and .string() back through it.
std::filesystem::path pathOf(const std::string& name);
bool isFolder(const std::string& name);
// A folder we can list, or the reason we cannot.
std::string folderProblem(const std::string& dir);

// Visits targets in order: a file as given, a folder's files as the search finds them.
// Nothing is collected, so memory does not grow with the number of files.
struct TargetVisitor {
    // A file and the folder target it was found below ("" for a file given directly);
    // returning false stops the visit.
    std::function<bool(const std::string& path, const std::string& root)> file;
    // Called as the search enters each folder.
    std::function<void(const std::string& folder)> folder;
    // Called before a message about a folder is written, for a visitor whose files are
    // reported later than they are visited.
    std::function<void()> beforeMessage;
    // Folders below a target that could not be read: their files were not visited.
    long skipped = 0;
};

// Every folder target is checked before any file is visited; false (with a message)
// when one cannot be read.
bool forEachTarget(const std::vector<std::string>& given, TargetVisitor& visit, std::ostream& err);

// Loads a keyword list file into trees with its remembered selection ticked.
bool loadTrees(const std::string& listPath, KeywordTrees& trees, std::ostream& err);

} // namespace tagmere::cli
