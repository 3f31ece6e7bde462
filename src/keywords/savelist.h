// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "keywordlist.h"
#include "keywordtree.h"

#include "core/message.h"

#include <functional>
#include <string>
#include <vector>

// Saving the list on display, with its ticks, as a keyword list file of the user's own.
namespace tagmere {

inline constexpr const char* kEnterFilenameMessage = "Please enter a filename.";
inline constexpr const char* kFactoryOverwriteMessage =
    "Cannot overwrite factory keyword file. Please change name and try again.";
inline constexpr const char* kOverwriteQuestion = "Keyword file already exists, do you want to overwrite?";
inline constexpr const char* kSaveFailedPrefix = "Unable to save keyword file: ";
// A list is always written into the keyword folder, under a name the chooser can show.
inline constexpr const char* kBadListNameMessage =
    "A keyword list name cannot contain \"/\", \"\\\" or \"..\", nor begin with \".\". "
    "Please change name and try again.";

// The bytes of a keyword list file for the trees, as a save writes them; every line ends
// in CR LF. For each column 0 to 2 and each node in node order: a keyword node as its Text,
// ", " and the column digit ("[MANUFAC], 2"), any other node as its Text (a spacer as its
// 20 blanks). Then the line "<SelectedValues>" and the Text of every ticked node, column by
// column, node order. Nothing is quoted, so a text holding a comma reads back as two items,
// and a ticked spacer reads back as an empty selected text that ticks nothing.
std::string formatKeywordList(const KeywordTrees& trees);

// True when a typed list name would put the file outside the keyword folder or hide it
// from the chooser: it holds "/", "\", ".." or a NUL byte, or begins with ".".
bool isUnsafeListName(const std::string& name);

// Answers a question (Yes = true). An empty function answers No.
using AskFunction = std::function<bool(const Message&)>;

struct SaveListResult {
    // Everything the user is shown, in order: warnings and the overwrite question (which
    // was answered through `ask`).
    std::vector<Message> messages;
    // The trees were rebuilt in full and the ticks collected into the remembered selection
    // (every outcome but an empty name).
    bool rebuilt = false;
    // The file was written.
    bool wrote = false;
    // When written: the path and the saved list's title. The window then refills the
    // chooser (msbLoadOrbKeywordFiles) and makes this title its current entry, which loads
    // the saved list from the file just written.
    std::string path;
    std::string savedTitle;
};

// Saves the trees and their ticks as the list `typedName` (kept exactly as typed, plus
// ".txt") in the keyword folder. Refused with a message, before anything is written: a
// blank name, the factory list's name, a name that could leave the folder. An existing
// list is overwritten only when `ask` says yes. The trees are rebuilt in full first, so
// a list saved while the filter is on still holds every keyword. The write is safe: a
// failed save leaves the old list as it was.
SaveListResult saveKeywordList(const std::string& typedName, const std::string& keywordFolder,
                               const std::string& factoryFileName, KeywordTrees& trees, KeywordList& list,
                               const SelectColors& colors, bool fileKeywordsShown, const AskFunction& ask);

} // namespace tagmere
