// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "message.h"

#include "format/result.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tagmere {

inline constexpr const char* kManufac = "[MANUFAC]";
inline constexpr const char* kSearchSourceType = "[_SEARCH_SOURCETYPE]";
inline constexpr const char* kSearchSpRatio = "[_SEARCH_SP_RATIO]";
inline constexpr const char* kSearchCri = "[_SEARCH_CRI]";
inline constexpr const char* kSearchColorTemp = "[_SEARCH_COLORTEMP]";

// The source types offered for [_SEARCH_SOURCETYPE], in display order, and the default.
inline constexpr std::array<const char*, 13> kSourceTypes = {"CFL", "CMH", "FL",  "HAL", "HPS", "INC", "IND",
                                                             "LED", "LEP", "LPS", "MH",  "MV",  "OLED"};
inline constexpr const char* kDefaultSourceType = "LED";

// The state of the "Miscellaneous" panel: five ticks and their values, as typed.
struct MiscPanel {
    bool chkManufac = false;
    bool chkSearchSource = false;
    bool chkSearchSPRatio = false;
    bool chkSearchCRI = false;
    bool chkSearchColorTemp = false;
    std::string txtManufac;
    std::string cbxSourceType = kDefaultSourceType;
    std::string txtSearchSPRatio;
    std::string txtSearchCRI;
    std::string txtSearchColorTemp;
};

// A decimal number as a whole, blanks around it allowed: optional sign, digits with
// at most one decimal point (at least one digit), optional exponent ("1e3").
bool isNumber(const std::string& text);
// The number at the start of the text after leading blanks, read as far as it goes
// ("4000K" gives 4000); 0 when the text does not start with a number.
double leadingValue(const std::string& text);

// The check run once before a batch: the first failing ticked keyword's message,
// or nothing when all pass.
Status advanceCheck(const MiscPanel& panel);

// The check run on each file before [_SEARCH_COLORTEMP] is applied.
Status colorTempCheck(const std::string& txtSearchColorTemp);

// One keyword line to put into a file: the keyword text and its complete line.
struct KeywordEdit {
    std::string keyword;
    std::string line;
    bool operator==(const KeywordEdit& o) const { return keyword == o.keyword && line == o.line; }
};

// The panel's edits, in panel order, for the ticked keywords that give a line.
std::vector<KeywordEdit> composeMisc(const MiscPanel& panel);

// Exact message texts, shared with tests and the window.
extern const char* const kSpRatioMessage;
std::string criMessage();
std::string colorTempMessage();
extern const char* const kColorTempFileMessage;

} // namespace tagmere
