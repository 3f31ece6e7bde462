#pragma once

#include <string>
#include <string_view>
#include <vector>

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
inline constexpr const char* kNoTilt = "no-tilt";                 // error: no line starts "TILT="
inline constexpr const char* kVersionUnknown = "version-unknown"; // error: first line is no known version
inline constexpr const char* kVersionBlanks = "version-blanks";   // warning: known version with blanks in it
inline constexpr const char* kMissingKeyword = "missing-keyword"; // error: a required keyword is absent
inline constexpr const char* kKeywordCase = "keyword-case";       // warning: standard keyword in other case
inline constexpr const char* kUnknownKeyword = "unknown-keyword"; // warning: not standard, not "[_..."
inline constexpr const char* kOrphanMore = "orphan-more";         // warning: [MORE] after no keyword line
inline constexpr const char* kLineTooLong = "line-too-long";      // warning: longer than the version allows
inline constexpr const char* kLineEnds = "line-ends";             // warning: LF-only or mixed line ends
inline constexpr const char* kNonAscii = "non-ascii";             // warning: a byte outside printable ASCII
} // namespace finding

// Checks the header of a photometric file given as its bytes. The header is the lines
// before the first line starting "TILT=". Findings come in line order within each check.
std::vector<HeaderFinding> checkHeader(std::string_view bytes);

inline bool hasError(const std::vector<HeaderFinding>& findings) {
    for (const auto& f : findings) {
        if (f.severity == Severity::Error)
            return true;
    }
    return false;
}

const char* severityText(Severity severity);

} // namespace tagmere
