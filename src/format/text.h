// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Text helpers shared by every part: all comparisons are exact and byte-wise, and
// "blank" means the space character only.
namespace tagmere {

std::string trimBlanks(std::string_view text);
bool startsWith(std::string_view text, std::string_view prefix);
bool contains(std::string_view text, std::string_view part);
// ASCII upper-casing; other bytes pass unchanged so that every byte survives.
std::string upperAscii(std::string_view text);
// The pieces of the text between separators: n separators give n + 1 pieces, empty ones
// kept. The pieces view into the text.
std::vector<std::string_view> splitAt(std::string_view text, char separator);

// True when the text is empty or holds blanks only.
bool isBlank(std::string_view text);

// A byte below 32 or 127 (line breaks, tabs, NUL...): such text would break a file's lines.
bool hasControlByte(std::string_view text);
// "[", one or more bytes that are not "[", "]", blanks or control bytes, then "]";
// "[MORE]" marks continuations and is never a keyword of its own.
bool isValidKeyword(std::string_view keyword);

// Removes Find1 (then Find2 when not empty) one character at a time, from the
// first occurrence, until none is left. Serves single-character finds.
std::string mfnRemoveText(std::string_view Text, std::string_view Find1, std::string_view Find2);

} // namespace tagmere
