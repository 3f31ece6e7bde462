// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywordlist.h"

#include "files/safefile.h"
#include "format/linebuffer.h"
#include "format/text.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tagmere {

void KeywordList::clear() {
    mstrListEntry.assign(1, std::string());
    mstrListColumn.assign(1, std::string());
    mlngListEntryCount = 0;
    mstrSelectedValue.assign(1, std::string());
    mlngSelectedValueCount = 0;
}

void KeywordList::appendEntry(std::string entry, std::string column) {
    mstrListEntry.push_back(std::move(entry));
    mstrListColumn.push_back(std::move(column));
    mlngListEntryCount = static_cast<long>(mstrListEntry.size()) - 1;
}

void KeywordList::appendSelectedValue(std::string text) {
    mstrSelectedValue.push_back(std::move(text));
    mlngSelectedValueCount = static_cast<long>(mstrSelectedValue.size()) - 1;
}

void KeywordList::setSelectedValues(const std::vector<std::string>& texts) {
    mstrSelectedValue.assign(1, std::string());
    mstrSelectedValue.insert(mstrSelectedValue.end(), texts.begin(), texts.end());
    mlngSelectedValueCount = static_cast<long>(mstrSelectedValue.size()) - 1;
}

int keywordColumn(std::string_view columnItem) {
    const std::string item = trimBlanks(columnItem);
    if (item.empty() || item.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    // Leading zeros are harmless ("01"); a long run of digits is simply out of range.
    const auto firstNonZero = item.find_first_not_of('0');
    if (firstNonZero == std::string::npos)
        return 0;
    if (item.size() - firstNonZero > 1)
        return 0;
    const int value = item[firstNonZero] - '0';
    return value <= 2 ? value : 0;
}

namespace {

std::string dropTrailingBlanks(std::string_view text) {
    const auto last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

} // namespace

std::vector<std::string> splitListItems(std::string_view bytes) {
    std::vector<std::string> items;
    LineCursor cursor(bytes);
    for (RawLine line; cursor.next(line);) {
        // Every line gives at least one item, and after a comma another follows.
        std::string_view rest = line.text;
        for (;;) {
            rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
            size_t comma = 0;
            if (!rest.empty() && rest[0] == '"') {
                const size_t close = std::min(rest.find('"', 1), rest.size());
                items.emplace_back(rest.substr(1, close - 1));
                // What trails the closing quote belongs to no item.
                comma = rest.find(',', close);
            } else {
                comma = rest.find(',');
                items.push_back(dropTrailingBlanks(rest.substr(0, comma)));
            }
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
    }
    return items;
}

namespace {
// The entry as a message can show it: control bytes written as \xNN.
std::string printableText(const std::string& entry) {
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (const char c : entry) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127)
            out += std::string("\\x") + hex[u >> 4] + hex[u & 15];
        else
            out += c;
    }
    return out;
}
} // namespace

void parseKeywordList(std::string_view bytes, KeywordList& list, std::vector<std::string>* leftOut) {
    list.clear();
    const std::vector<std::string> items = splitListItems(bytes);
    size_t i = 0;
    // A keyword that could not be written safely is left out with its values, and so is
    // a value that would break a file's line.
    bool skippingValues = false;
    auto leaveOut = [&](const std::string& item) {
        if (leftOut)
            leftOut->push_back(item);
    };
    while (i < items.size()) {
        const std::string& item = items[i++];
        if (startsWith(item, "<")) {
            for (; i < items.size(); ++i)
                list.appendSelectedValue(items[i]);
            break;
        }
        if (startsWith(item, "[")) {
            std::string column;
            // The marker is never taken as a column item: the selected section still starts.
            if (i < items.size() && !startsWith(items[i], "<"))
                column = items[i++];
            skippingValues = !isValidKeyword(item);
            if (skippingValues)
                leaveOut(item);
            else
                list.appendEntry(item, std::move(column));
        } else if (item.empty() || item == kRemovedEntry) {
            list.appendEntry(item);
        } else if (skippingValues || hasControlByte(item)) {
            leaveOut(item);
        } else {
            list.appendEntry(item);
        }
    }
}

ListLoadResult readKeywordFile(const std::string& path, KeywordList& list) {
    std::string bytes;
    const Status status = readWholeFile(path, bytes, kMaxKeywordListBytes);
    if (!status.ok) {
        list.clear();
        return Status::failure("Unable to read keyword file: " + status.description);
    }
    ListLoadResult result;
    std::vector<std::string> leftOut;
    parseKeywordList(bytes, list, &leftOut);
    if (!leftOut.empty()) {
        std::string text =
            "These entries of the keyword list " + path + " are not valid keywords or values and were left out:\r";
        for (const auto& entry : leftOut)
            text += "\r" + printableText(entry);
        result.value = warningMessage(text);
    }
    return result;
}

std::string keywordFilePath(const std::string& keywordFolder, const std::string& listName) {
    return keywordFolder + "/" + listName + kListExtension;
}

ListLoadResult msbLoadKeywordFile(const std::string& keywordFolder, const std::string& listName, KeywordList& list) {
    return readKeywordFile(keywordFilePath(keywordFolder, listName), list);
}

std::string mfnFileTitle(const std::string& path) {
    std::string title = path;
    const auto separator = title.find_last_of("/\\");
    if (separator != std::string::npos)
        title.erase(0, separator + 1);
    const auto dot = title.rfind('.');
    if (dot != std::string::npos)
        title.erase(dot);
    return title;
}

bool mfnIsFileName(const std::string& path) {
    const std::string trimmed = trimBlanks(path);
    if (trimmed.empty() || mfnFileTitle(trimmed).empty())
        return false;
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) {
        // A link whose target is gone still occupies the name.
        status = fs::symlink_status(path, ec);
        if (ec || !fs::exists(status))
            return false;
    }
    return !fs::is_directory(status);
}

bool titleLess(std::string_view a, std::string_view b) {
    const std::string ua = upperAscii(a);
    const std::string ub = upperAscii(b);
    if (ua != ub)
        return ua < ub;
    return a < b;
}

std::vector<std::string> listKeywordFiles(const std::string& keywordFolder) {
    std::vector<std::string> titles;
    std::error_code ec;
    const std::string extension = kListExtension;
    for (fs::directory_iterator it(keywordFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= extension.size() || startsWith(name, ".") ||
            name.compare(name.size() - extension.size(), extension.size(), extension) != 0 ||
            name.find('\\') != std::string::npos)
            continue;
        std::error_code statusError;
        if (!fs::is_regular_file(it->status(statusError)) || statusError)
            continue;
        titles.push_back(mfnFileTitle(name));
    }
    std::sort(titles.begin(), titles.end(), [](const std::string& a, const std::string& b) { return titleLess(a, b); });
    return titles;
}

} // namespace tagmere
