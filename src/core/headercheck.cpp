#include "headercheck.h"

#include "text.h"

#include <algorithm>
#include <array>

namespace tagmere {

namespace {

enum class Version { Unknown, V1991, V1995, V2002, V2019 };

struct KnownVersion {
    const char* line;
    Version version;
};
constexpr std::array<KnownVersion, 4> kVersions{{{"IESNA91", Version::V1991},
                                                 {"IESNA:LM-63-1995", Version::V1995},
                                                 {"IESNA:LM-63-2002", Version::V2002},
                                                 {"IES:LM-63-2019", Version::V2019}}};

constexpr std::array<const char*, 21> kStandardKeywords{
    "[TEST]",          "[TESTLAB]",      "[ISSUEDATE]",  "[MANUFAC]",     "[LUMCAT]",   "[LUMINAIRE]",    "[LAMPCAT]",
    "[LAMP]",          "[BALLAST]",      "[BALLASTCAT]", "[TESTDATE]",    "[MAINTCAT]", "[DISTRIBUTION]", "[FLASHAREA]",
    "[COLORCONSTANT]", "[LAMPPOSITION]", "[NEARFIELD]",  "[FILEGENINFO]", "[SEARCH]",   "[OTHER]",        "[MORE]"};

// A line of the file with the terminator that ended it ("" for the last line without one).
struct RawLine {
    std::string_view text;
    std::string_view end;
};

std::vector<RawLine> rawLines(std::string_view bytes) {
    std::vector<RawLine> lines;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        const size_t endLength = (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
        lines.push_back({bytes.substr(start, i - start), bytes.substr(i, endLength)});
        i += endLength - 1;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.push_back({bytes.substr(start), {}});
    return lines;
}

Version versionOf(std::string_view line) {
    for (const auto& v : kVersions) {
        if (line == v.line)
            return v.version;
    }
    return Version::Unknown;
}

// The bracketed keyword a line starts with, or empty.
std::string_view keywordOf(std::string_view line) {
    if (line.empty() || line[0] != '[')
        return {};
    const size_t close = line.find(']');
    return close == std::string_view::npos ? std::string_view() : line.substr(0, close + 1);
}

bool isStandard(std::string_view keyword) {
    return std::find_if(kStandardKeywords.begin(), kStandardKeywords.end(),
                        [&](const char* k) { return keyword == k; }) != kStandardKeywords.end();
}

bool isStandardInOtherCase(std::string_view keyword) {
    const std::string upper = upperAscii(keyword);
    return !isStandard(keyword) && isStandard(upper);
}

std::string endName(std::string_view end) {
    if (end == "\r\n")
        return "CR LF";
    if (end == "\n")
        return "LF";
    return "CR";
}

} // namespace

const char* severityText(Severity severity) {
    return severity == Severity::Error ? "error" : "warning";
}

std::vector<HeaderFinding> checkHeader(std::string_view bytes) {
    std::vector<HeaderFinding> findings;
    auto add = [&](const char* code, Severity severity, size_t line, std::string text) {
        findings.push_back({code, severity, static_cast<long>(line), std::move(text)});
    };
    const std::vector<RawLine> lines = rawLines(bytes);

    size_t tilt = lines.size(); // index of the TILT= line, or size() when there is none
    for (size_t i = 0; i < lines.size(); ++i) {
        if (startsWith(lines[i].text, "TILT=")) {
            tilt = i;
            break;
        }
    }
    if (tilt == lines.size())
        add(finding::kNoTilt, Severity::Error, 1, "no line starts \"TILT=\": keywords cannot be added to this file");

    // The version line.
    const std::string_view first = lines.empty() ? std::string_view() : lines[0].text;
    Version version = versionOf(first);
    if (version == Version::Unknown) {
        std::string squeezed(first);
        squeezed.erase(std::remove(squeezed.begin(), squeezed.end(), ' '), squeezed.end());
        version = versionOf(squeezed);
        if (version != Version::Unknown)
            add(finding::kVersionBlanks, Severity::Warning, 1,
                "version line \"" + std::string(first) + "\" has blanks in it");
        else
            add(finding::kVersionUnknown, Severity::Error, 1,
                "first line \"" + std::string(first.substr(0, 40)) +
                    "\" is not a known version line (IESNA91, IESNA:LM-63-1995, IESNA:LM-63-2002, IES:LM-63-2019)");
    }

    // Required keywords, looked for in the header with their exact case.
    std::vector<const char*> required{"[TEST]", "[TESTLAB]", "[MANUFAC]"};
    if (version == Version::V2002 || version == Version::V2019)
        required.insert(required.begin() + 2, "[ISSUEDATE]");
    const size_t missingLine = tilt < lines.size() ? tilt + 1 : 1;
    for (const char* keyword : required) {
        bool present = false;
        for (size_t i = 0; i < tilt && !present; ++i)
            present = keywordOf(lines[i].text) == keyword;
        if (!present)
            add(finding::kMissingKeyword, Severity::Error, missingLine,
                std::string("required keyword ") + keyword + " is missing");
    }

    // Keyword lines of the header.
    bool previousIsKeyword = false;
    for (size_t i = 0; i < tilt; ++i) {
        const std::string_view keyword = keywordOf(lines[i].text);
        if (keyword.empty()) {
            previousIsKeyword = false;
            continue;
        }
        if (isStandardInOtherCase(keyword)) {
            add(finding::kKeywordCase, Severity::Warning, i + 1,
                std::string(keyword) + " should be written " + upperAscii(keyword) +
                    ": in another letter case other programs do not see it");
        } else if (!isStandard(keyword) && !startsWith(keyword, "[_")) {
            add(finding::kUnknownKeyword, Severity::Warning, i + 1,
                std::string(keyword) + " is not a standard keyword (user keywords start with \"[_\")");
        }
        if (keyword == "[MORE]" && !previousIsKeyword)
            add(finding::kOrphanMore, Severity::Warning, i + 1, "[MORE] line follows no keyword line");
        previousIsKeyword = true;
    }

    // Line lengths: 2002 files allow 256 characters with the line end; earlier ones 80
    // in the header and 132 after it.
    if (version == Version::V2002 || version == Version::V1995 || version == Version::V1991) {
        for (size_t i = 0; i < lines.size(); ++i) {
            const size_t length = lines[i].text.size() + lines[i].end.size();
            const size_t limit = version == Version::V2002 ? 256 : (i < tilt ? 80 : 132);
            if (length > limit)
                add(finding::kLineTooLong, Severity::Warning, i + 1,
                    "line is " + std::to_string(length) + " characters long with its line end; at most " +
                        std::to_string(limit) + " allowed");
        }
    }

    // Line ends: CR LF throughout is what every reader expects.
    std::string_view firstEnd;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view end = lines[i].end;
        if (end.empty())
            continue;
        if (firstEnd.empty()) {
            firstEnd = end;
        } else if (end != firstEnd) {
            add(finding::kLineEnds, Severity::Warning, i + 1,
                "mixed line ends: " + endName(end) + " here, " + endName(firstEnd) + " on the lines before");
            firstEnd = {};
            break;
        }
    }
    if (!firstEnd.empty() && firstEnd != "\r\n")
        add(finding::kLineEnds, Severity::Warning, 1, "line ends are " + endName(firstEnd) + " only, not CR LF");

    // Bytes outside printable ASCII in the header: one finding per line.
    for (size_t i = 0; i < tilt; ++i) {
        const auto bad = std::find_if(lines[i].text.begin(), lines[i].text.end(), [](char c) {
            const auto u = static_cast<unsigned char>(c);
            return u < 0x20 || u > 0x7E;
        });
        if (bad != lines[i].text.end()) {
            const auto u = static_cast<unsigned char>(*bad);
            static const char* hex = "0123456789ABCDEF";
            add(finding::kNonAscii, Severity::Warning, i + 1,
                std::string("byte 0x") + hex[u >> 4] + hex[u & 15] + " at column " +
                    std::to_string(bad - lines[i].text.begin() + 1) + " is not printable ASCII");
        }
    }
    return findings;
}

} // namespace tagmere
