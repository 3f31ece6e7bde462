// SPDX-License-Identifier: GPL-3.0-or-later
#include "text.h"

namespace tagmere {

std::string trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

bool isBlank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

static void removeEach(std::string& text, std::string_view find) {
    // An empty find would match everywhere; it removes nothing.
    if (find.empty())
        return;
    for (auto p = text.find(find); p != std::string::npos; p = text.find(find))
        text.erase(p, 1);
}

std::string mfnRemoveText(std::string_view Text, std::string_view Find1, std::string_view Find2) {
    std::string result(Text);
    removeEach(result, Find1);
    removeEach(result, Find2);
    return result;
}

bool hasControlByte(std::string_view text) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127)
            return true;
    }
    return false;
}

bool isValidKeyword(std::string_view keyword) {
    if (keyword.size() < 3 || keyword.front() != '[' || keyword.back() != ']' || keyword == "[MORE]")
        return false;
    const std::string_view inner = keyword.substr(1, keyword.size() - 2);
    return inner.find_first_of("[] ") == std::string_view::npos && !hasControlByte(inner);
}

std::vector<std::string_view> splitAt(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (size_t p; (p = text.find(separator, start)) != std::string_view::npos; start = p + 1)
        pieces.push_back(text.substr(start, p - start));
    pieces.push_back(text.substr(start));
    return pieces;
}

} // namespace tagmere
