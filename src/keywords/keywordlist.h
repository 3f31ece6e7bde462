// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/message.h"
#include "format/result.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Keyword list files: the reader, the loaded list and the file-name helpers.
//
// A keyword list file is single-byte text read as items, not lines:
//  - items are separated by commas and by line ends (CR LF, a lone CR or a lone LF);
//  - blanks (code 32 only) in front of an item are skipped, and so are blanks at the end
//    of an unquoted item;
//  - an item starting with a double quote runs to the next double quote (commas inside
//    belong to it, blanks inside are kept) and whatever follows the closing quote up to the
//    next comma or line end is dropped; a quote left open ends at the line end, so one
//    stray quote cannot swallow the rest of the file;
//  - an empty line, a line of blanks and the place between two adjacent separators (for
//    example after a comma that ends a line) each give one empty item; the line end that
//    closes the last line gives no extra item.
//
// Items up to the first one that begins with "<" form the list section: an item beginning
// with "[" is a keyword entry and the item after it is its column item ("0", "1" or "2");
// an empty item is a spacer entry; "REMOVE" (exactly) is a deleted entry; anything else is
// a value entry of the keyword before it. Every item after the "<" marker is a remembered
// selected text (the text of a keyword or value that was ticked when the list was saved).
// All tests are exact and case-sensitive.
namespace tagmere {

inline constexpr const char* kRemovedEntry = "REMOVE";
inline constexpr const char* kSelectedValuesMarker = "<SelectedValues>";
inline constexpr const char* kListExtension = ".txt";

// The loaded keyword list. Arrays are 1-based: element 0 is always empty and the arrays
// hold count + 1 elements.
struct KeywordList {
    // The list section's entries in file order: keyword entries ("[...]"), value entries,
    // spacer entries (empty text) and deleted entries ("REMOVE").
    std::vector<std::string> mstrListEntry = std::vector<std::string>(1);
    long mlngListEntryCount = 0;
    // Same indexes as mstrListEntry: for a keyword entry its column item as read (empty
    // when the file ended before it); for other entries it means nothing.
    std::vector<std::string> mstrListColumn = std::vector<std::string>(1);
    // Remembered selected texts.
    std::vector<std::string> mstrSelectedValue = std::vector<std::string>(1);
    long mlngSelectedValueCount = 0;

    // Back to the empty list.
    void clear();
    void appendEntry(std::string entry, std::string column = {});
    void appendSelectedValue(std::string text);
    // Replaces the remembered selected texts.
    void setSelectedValues(const std::vector<std::string>& texts);
};

// The tree column (0, 1 or 2) a keyword's column item picks. The item, blanks trimmed,
// must be decimal digits whose value is 0, 1 or 2; anything else (empty, "3", "x", "-1")
// picks column 0, so a malformed keyword is still shown and a save repairs it.
int keywordColumn(std::string_view columnItem);

// The file's items in order, by the rules above. Exposed for tests and fuzzing.
std::vector<std::string> splitListItems(std::string_view bytes);

// Replaces `list` by the list the bytes hold. Never fails: any bytes give some list.
// A keyword whose column item is missing (the file ends right after it) or is the "<"
// marker gets an empty column item, so it shows in column 0; the marker then still starts
// the selected section.
// Keywords that are not a bracketed name without blanks (or are "[MORE]"), their values,
// and values holding control bytes are left out and, when `leftOut` is given, named there.
void parseKeywordList(std::string_view bytes, KeywordList& list, std::vector<std::string>* leftOut = nullptr);

// Outcome of loading a list file; `message` is set only when ok is false.
// A list read: on failure why not; when entries were left out, the warning that names them.
using ListLoadResult = Result<std::optional<Message>>;

// Keyword lists are small text files (the factory list is 2 kB); one larger than this is
// refused unread, since reading it would take many times its size in memory.
inline constexpr long long kMaxKeywordListBytes = 2LL * 1024 * 1024;

// Reads the file at `path` into `list`. A file that cannot be read, or is larger than
// kMaxKeywordListBytes, leaves `list` empty (nothing of a partly read file is kept) and
// returns the message for the user.
ListLoadResult readKeywordFile(const std::string& path, KeywordList& list);

// The path of the list called `listName` in the keyword folder: folder + "/" + name + ".txt".
std::string keywordFilePath(const std::string& keywordFolder, const std::string& listName);

// Loads the list called `listName` from the keyword folder.
ListLoadResult msbLoadKeywordFile(const std::string& keywordFolder, const std::string& listName, KeywordList& list);

// The file name of a path without its folder and without its last extension:
// "/lists/OrbFactoryKeywords.txt" -> "OrbFactoryKeywords", "my.list.txt" -> "my.list",
// "name" -> "name", ".txt" -> "". The folder part ends at the last "/" or "\" (both are
// taken as separators so that paths written either way give the same title).
std::string mfnFileTitle(const std::string& path);

// True when the path names something that exists and is not a folder. False for a path
// that is empty or blank, whose mfnFileTitle is empty, or that names nothing or a folder.
// The path is tested exactly as passed (blanks at its ends included). A symbolic link
// counts as what it points to; a dangling link counts as an existing file.
bool mfnIsFileName(const std::string& path);

// The titles of the keyword lists in a folder, for the list chooser: the ordinary files
// (a link to an ordinary file counts) whose names end in ".txt" exactly (the loader always
// appends ".txt", so ".TXT" could not be loaded back on a case-sensitive file system), not
// hidden (the name does not begin with "."), and whose name holds no "\" (its title could
// not be loaded back). Sorted case-insensitively (ASCII letters only, byte order
// otherwise, ties by exact byte order) so that the order does not depend on the file
// system or the locale. A missing or unreadable folder gives an empty list.
std::vector<std::string> listKeywordFiles(const std::string& keywordFolder);

// The case-insensitive order of list titles and root nodes: true when a sorts before b.
bool titleLess(std::string_view a, std::string_view b);

} // namespace tagmere
