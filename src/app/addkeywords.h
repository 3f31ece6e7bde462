// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "format/linebuffer.h"
#include "format/result.h"

#include <QString>

#include <string>

namespace tagmere::app {

// The program's title: message boxes carry it, the window caption starts with it.
inline constexpr const char* kAppTitle = "Tagmere";

// The globals of module AddKeywords, owned by the program's start and handed to the windows.
// Paths are byte strings in the file system's encoding; folders are separated by "/".
struct AddKeywords {
    // Settings application names.
    std::string gstrRegApp;
    std::string gstrRegAppValues;
    // File name of the factory keyword list, which ships inside the program.
    std::string gstrFactoryKeywordFile;
    // Where keyword lists live; empty when no data folder could be obtained.
    std::string gstrKeywordFolder;
    // The photometric file read last: element 0 empty, the file's lines from 1 on.
    FileLines gstrFileLine = emptyFileLines();
    // Full path of the file shown last.
    std::string gstrSelectedFile;
};

// The all-users application data folder: on Windows the common application data folder,
// elsewhere the user's writable generic data folder (XDG_DATA_HOME on Linux), created when
// missing. Empty when there is none.
QString commonAppDataFolder();

// The first steps of Main: fixes the settings names, the factory list's name and the
// keyword folder (`dataFolder` followed by "Calvex/OrbKeywordFiles"; empty stays empty).
AddKeywords mainGlobals(const QString& dataFolder);

// Main's globals for this machine (mainGlobals of commonAppDataFolder()).
AddKeywords mainGlobals();

// Creates the keyword folder and copies the factory list that ships inside the program into
// it when that file is missing. An existing file, even one edited by hand, is kept. The
// value says whether the list was copied this time.
Result<bool> installFactoryList(const AddKeywords& globals);

// Text at the widget edge: file and list texts are single-byte, so every byte maps to one
// character (Latin-1) and back.
QString fromBytes(const std::string& bytes);
std::string toBytes(const QString& text);

// Path conversions at the edge between Qt and the byte-string paths.
QString toQPath(const std::string& path);
std::string fromQPath(const QString& path);
// A path as the user reads it, in a widget or in a message: with backslashes on Windows.
QString shownQPath(const std::string& path);
std::string shownPath(const QString& path);

} // namespace tagmere::app
