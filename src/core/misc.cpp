// SPDX-License-Identifier: GPL-3.0-or-later
#include "misc.h"

#include "format/text.h"

#include <cstdlib>

namespace tagmere {

const char* const kSpRatioMessage = "[_SEARCH_SP_RATIO] must be a number > 0. Please change!";
const char* const kColorTempFileMessage =
    "Invalid [_SEARCH_COLORTEMP] value, must be a single number (e.g. 4000) or a range (e.g. 4000-5000). If a "
    "range, second value must be larger than the first. Please change value and try again!";

std::string criMessage() {
    return "[_SEARCH_CRI] must be a number > 0 or a range of numbers separated by a dash (#1-#2). If a range, "
           "second number in range must be greater than first number in range.\r"
           "\r"
           " Examples:\r"
           "[SEARCH_CRI] 70\r"
           "[SEARCH_CRI] 70-80\r"
           "\r"
           "Please change!";
}

std::string colorTempMessage() {
    return "[_SEARCH_COLORTEMP] must be a number > 0 or a range of numbers separated by a dash (#1-#2). If a "
           "range, second number in range must be greater than first number in range.\r"
           "\r"
           "Examples:\r"
           "[SEARCH_COLORTEMP] 4000\r"
           "[SEARCH_COLORTEMP] 4000K\r"
           "[SEARCH_COLORTEMP] 4000-5000\r"
           "[SEARCH_COLORTEMP] 4000K-5000K\r"
           "\r"
           "Please change!";
}

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the number at the start of `s` (sign, digits, point, exponent); 0 if none.
size_t numberPrefixLength(const std::string& s, size_t pos) {
    size_t i = pos;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j]))
                ++j;
            i = j;
        }
    }
    return i - pos;
}

std::vector<std::string> splitAtDash(const std::string& text) {
    std::vector<std::string> parts;
    if (text.empty())
        return parts;
    size_t start = 0;
    for (;;) {
        const size_t dash = text.find('-', start);
        parts.push_back(text.substr(start, dash == std::string::npos ? std::string::npos : dash - start));
        if (dash == std::string::npos)
            break;
        start = dash + 1;
    }
    return parts;
}

bool positiveNumber(const std::string& part) {
    return isNumber(part) && leadingValue(part) > 0;
}

// A number > 0, or two such numbers joined by "-" with the second the greater.
bool isNumberOrRange(const std::string& text) {
    const auto parts = splitAtDash(text);
    if (parts.size() == 1)
        return positiveNumber(parts[0]);
    if (parts.size() == 2)
        return positiveNumber(parts[0]) && positiveNumber(parts[1]) && leadingValue(parts[1]) > leadingValue(parts[0]);
    return false;
}

} // namespace

bool isNumber(const std::string& text) {
    const std::string t = trimBlanks(text);
    if (t.empty())
        return false;
    return numberPrefixLength(t, 0) == t.size();
}

double leadingValue(const std::string& text) {
    const size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos)
        return 0;
    const size_t len = numberPrefixLength(text, start);
    if (len == 0)
        return 0;
    return std::strtod(text.substr(start, len).c_str(), nullptr);
}

Status advanceCheck(const MiscPanel& panel) {
    if (panel.chkSearchSPRatio && !(isNumber(panel.txtSearchSPRatio) && leadingValue(panel.txtSearchSPRatio) > 0))
        return Status::failure(kSpRatioMessage);
    if (panel.chkSearchCRI && !isNumberOrRange(panel.txtSearchCRI))
        return Status::failure(criMessage());
    if (panel.chkSearchColorTemp && !isNumberOrRange(mfnRemoveText(panel.txtSearchColorTemp, "K", "k")))
        return Status::failure(colorTempMessage());
    return Status::success();
}

Status colorTempCheck(const std::string& txtSearchColorTemp) {
    const auto parts = splitAtDash(txtSearchColorTemp);
    bool ok;
    if (parts.size() == 2) {
        const double first = leadingValue(parts[0]);
        const double second = leadingValue(parts[1]);
        ok = !(second < first) && first > 0 && second > 0;
    } else {
        ok = leadingValue(parts.empty() ? std::string() : parts[0]) > 0;
    }
    return ok ? Status::success() : Status::failure(kColorTempFileMessage);
}

std::vector<KeywordEdit> composeMisc(const MiscPanel& panel) {
    std::vector<KeywordEdit> edits;
    const std::string manufac = trimBlanks(panel.txtManufac);
    if (panel.chkManufac && !manufac.empty())
        edits.push_back({kManufac, std::string(kManufac) + " " + manufac});
    if (panel.chkSearchSource)
        edits.push_back({kSearchSourceType, std::string(kSearchSourceType) + " " + panel.cbxSourceType});
    const std::pair<bool, const std::string*> rows[] = {{panel.chkSearchSPRatio, &panel.txtSearchSPRatio},
                                                        {panel.chkSearchCRI, &panel.txtSearchCRI},
                                                        {panel.chkSearchColorTemp, &panel.txtSearchColorTemp}};
    const char* const keywords[] = {kSearchSpRatio, kSearchCri, kSearchColorTemp};
    for (size_t i = 0; i < 3; ++i) {
        const std::string value = trimBlanks(*rows[i].second);
        if (rows[i].first && !value.empty())
            edits.push_back({keywords[i], std::string(keywords[i]) + " " + value});
    }
    return edits;
}

} // namespace tagmere
