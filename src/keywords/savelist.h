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

// The "Save" button (cmdSaveList_Click) without the window, in its order:
//  1. name blank -> "Please enter a filename." (exclamation), nothing changed;
//  2. the file name is the name exactly as typed (blanks kept) + ".txt";
//  3. the ticks are collected into list.mstrSelectedValue (column 0..2, node order);
//  4. the trees are rebuilt in full (msbDisplayKeywords with the colours and the flag), so
//     they show every keyword even when the filter was on;
//  5. file name equal to factoryFileName (exact, case-sensitive) -> the factory message;
//     an unsafe name (isUnsafeListName) -> kBadListNameMessage; both exclamation, stop;
//  6. the path is keywordFolder + "/" + file name;
//  7. when mfnIsFileName(path): the overwrite question through `ask`; No stops;
//  8. the file is written by replaceFile (temporary file beside it, flush, rename), so a
//     failed save leaves an existing list as it was and no partial file; a failure gives
//     "Unable to save keyword file: " + the system's reason (exclamation);
//  9. the result reports the path and mfnFileTitle(path).
SaveListResult saveKeywordList(const std::string& typedName, const std::string& keywordFolder,
                               const std::string& factoryFileName, KeywordTrees& trees, KeywordList& list,
                               const SelectColors& colors, bool fileKeywordsShown, const AskFunction& ask);

} // namespace tagmere
