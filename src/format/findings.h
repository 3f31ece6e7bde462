// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// What the checks of a file report: the header check and the photometric reader alike.
namespace tagmere {

enum class Severity { Error, Warning };

// One problem in a file's header. `code` is stable (scripts may match on it);
// `line` is 1-based.
struct HeaderFinding {
    std::string code;
    Severity severity = Severity::Warning;
    long line = 1;
    std::string text;

    bool operator==(const HeaderFinding& o) const {
        return code == o.code && severity == o.severity && line == o.line && text == o.text;
    }
};

// The codes, in the order the checks run.
namespace finding {
inline constexpr const char* kUnreadable = "unreadable";            // error: the file cannot be read
inline constexpr const char* kNoTilt = "no-tilt";                   // error: no line starts "TILT="
inline constexpr const char* kVersionUnknown = "version-unknown";   // error: first line is no known version
inline constexpr const char* kVersionBlanks = "version-blanks";     // warning: known version with blanks in it
inline constexpr const char* kMissingKeyword = "missing-keyword";   // error: the version requires a keyword
inline constexpr const char* kKeywordIndent = "keyword-indent";     // warning: blanks before a keyword
inline constexpr const char* kKeywordCase = "keyword-case";         // warning: standard keyword in other case
inline constexpr const char* kOtherVersion = "other-version";       // warning: keyword of another version
inline constexpr const char* kUnknownKeyword = "unknown-keyword";   // warning: no version's, not "[_..."
inline constexpr const char* kOrphanMore = "orphan-more";           // warning: [MORE] after no keyword line
inline constexpr const char* kBlockUnbalanced = "block-unbalanced"; // warning: [BLOCK]/[ENDBLOCK] unpaired
inline constexpr const char* kLineTooLong = "line-too-long";        // warning: longer than the version allows
inline constexpr const char* kLineEnds = "line-ends";               // warning: LF-only or mixed line ends
inline constexpr const char* kNonAscii = "non-ascii";               // warning: a byte outside printable ASCII
// The photometric block after TILT= (see photometry.h).
inline constexpr const char* kTiltFile = "tilt-file";               // warning: tilt data in another file
inline constexpr const char* kDataNotNumber = "data-not-number";    // error: a value is not a number
inline constexpr const char* kDataTruncated = "data-truncated";     // error: fewer numbers than the counts
inline constexpr const char* kLumens = "lumens";                    // error: lumens/lamp neither > 0 nor -1
inline constexpr const char* kMultiplier = "multiplier";            // error: candela multiplier <= 0
inline constexpr const char* kPhotometricType = "photometric-type"; // error: type not 1, 2 or 3
inline constexpr const char* kUnitsType = "units-type";             // error: units not 1 or 2
inline constexpr const char* kDataCount = "data-count";             // error: a count is 0, absurd or fractional
inline constexpr const char* kAnglesOrder = "angles-order";         // error: angles do not ascend
inline constexpr const char* kCandelaNegative = "candela-negative"; // error: a negative candela value
inline constexpr const char* kAnglesRange = "angles-range";         // error (type C), warning (A, B)
inline constexpr const char* kDataExtra = "data-extra";             // warning: values after the table
} // namespace finding

// True when a first line does not try to name a version: an LM-63-1986 file, whose header
// is free text up to TILT=, begins so.
bool isFreeTextHeader(std::string_view firstLine);

inline bool hasError(const std::vector<HeaderFinding>& findings) {
    for (const auto& f : findings) {
        if (f.severity == Severity::Error)
            return true;
    }
    return false;
}

const char* severityText(Severity severity);

} // namespace tagmere
