// SPDX-License-Identifier: GPL-3.0-or-later
#include "pattern.h"

#include "format/text.h"

namespace tagmere {

void msbSplitList(std::string& text, std::vector<std::string>& list) {
    list.assign(1, std::string());
    for (const std::string_view piece : splitAt(text, ';'))
        list.emplace_back(piece);
    text = list.back();
}

void msbSplitPath(std::string& path, std::string& folder, std::string& extension) {
    const auto slash = path.rfind('/');
    // Positions are 1-based so that 0 can mean "no slash" and "no dot".
    const std::string::size_type s = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = path.rfind('.');
    const std::string::size_type d = dot == std::string::npos ? 0 : dot + 1;

    folder = path.substr(0, s);
    extension = d == 0 ? std::string() : path.substr(d - 1);
    if (extension.size() > 4)
        extension.clear();
    path = d > s ? path.substr(s, d - 1 - s) : path.substr(s);
}

std::string mfnStripWildcards(std::string& pattern) {
    for (char& c : pattern) {
        if (c == '*')
            c = ' ';
    }
    pattern = trimBlanks(pattern);
    return pattern;
}

static unsigned char foldCase(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

bool lessIgnoringCase(std::string_view a, std::string_view b) {
    const auto n = a.size() < b.size() ? a.size() : b.size();
    for (std::string_view::size_type i = 0; i < n; ++i) {
        const auto ca = foldCase(a[i]);
        const auto cb = foldCase(b[i]);
        if (ca != cb)
            return ca < cb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

bool endsWithIes(std::string_view name) {
    if (name.size() < 4)
        return false;
    const auto tail = name.substr(name.size() - 4);
    return tail[0] == '.' && foldCase(tail[1]) == 'i' && foldCase(tail[2]) == 'e' && foldCase(tail[3]) == 's';
}

} // namespace tagmere
