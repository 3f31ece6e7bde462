// SPDX-License-Identifier: GPL-3.0-or-later
#include "headercheck.h"

#include "bytescan.h"
#include "linebuffer.h"
#include "photometry.h"
#include "text.h"

#include <algorithm>
#include <array>
#include <map>

namespace tagmere {

namespace {

// The rules of each version, one row per version. Keyword lists are blank-separated. Line
// limits count the line end; 0 means no limit. What the row does not know for sure is left
// to warnings: only a missing required keyword is an error.
struct VersionRules {
    const char* line; // the first line that names the version
    const char* name;
    const char* defines;
    const char* required;
    size_t headerLimit; // label lines and the TILT= line
    size_t dataLimit;   // lines after TILT=
    bool blocks;        // [BLOCK] ... [ENDBLOCK] may group lines
};

// 1986 files have no version line: their header is free text up to TILT=, so only the
// TILT= line and the data are theirs to get wrong.
constexpr VersionRules k1986{"", "LM-63-1986", "", "", 0, 0, false};

constexpr std::array<VersionRules, 4> kVersions{{
    {"IESNA91", "LM-63-1991",
     "[TEST] [DATE] [MANUFAC] [LUMCAT] [LUMINAIRE] [LAMPCAT] [LAMP] [BALLAST] [BALLASTCAT] [MAINTCAT] "
     "[DISTRIBUTION] [FLASHAREA] [COLORCONSTANT] [OTHER] [MORE]",
     "", 80, 132, false},
    {"IESNA:LM-63-1995", "LM-63-1995",
     "[TEST] [DATE] [MANUFAC] [LUMCAT] [LUMINAIRE] [LAMPCAT] [LAMP] [BALLAST] [BALLASTCAT] [MAINTCAT] "
     "[DISTRIBUTION] [FLASHAREA] [COLORCONSTANT] [LAMPPOSITION] [SEARCH] [OTHER] [MORE] [BLOCK] [ENDBLOCK]",
     "", 80, 132, true},
    {"IESNA:LM-63-2002", "LM-63-2002",
     "[TEST] [TESTLAB] [ISSUEDATE] [MANUFAC] [LUMCAT] [LUMINAIRE] [LAMPCAT] [LAMP] [BALLAST] [BALLASTCAT] "
     "[TESTDATE] [MAINTCAT] [DISTRIBUTION] [FLASHAREA] [COLORCONSTANT] [LAMPPOSITION] [NEARFIELD] [SEARCH] "
     "[OTHER] [MORE]",
     "[TEST] [TESTLAB] [ISSUEDATE] [MANUFAC]", 256, 256, false},
    {"IES:LM-63-2019", "LM-63-2019",
     "[TEST] [TESTLAB] [ISSUEDATE] [MANUFAC] [LUMCAT] [LUMINAIRE] [LAMPCAT] [LAMP] [BALLAST] [BALLASTCAT] "
     "[TESTDATE] [MAINTCAT] [DISTRIBUTION] [FLASHAREA] [COLORCONSTANT] [LAMPPOSITION] [NEARFIELD] "
     "[FILEGENINFO] [SEARCH] [OTHER] [MORE]",
     "[TEST] [TESTLAB] [ISSUEDATE] [MANUFAC]", 256, 256, false},
}};

// The keywords of a blank-separated list, in order.
std::vector<std::string_view> listItems(std::string_view list) {
    std::vector<std::string_view> items;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(' ', start);
        if (end == std::string_view::npos)
            end = list.size();
        if (end > start)
            items.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

// Whether the version defines the keyword. The lists are split once: searched as text,
// each was compared at every "[" in it, on every keyword line of every file.
bool defines(const VersionRules& rules, std::string_view keyword) {
    static const std::array<std::vector<std::string_view>, kVersions.size()> lists = [] {
        std::array<std::vector<std::string_view>, kVersions.size()> split;
        for (size_t i = 0; i < kVersions.size(); ++i)
            split[i] = listItems(kVersions[i].defines);
        return split;
    }();
    for (size_t i = 0; i < kVersions.size(); ++i) {
        if (&rules == &kVersions[i])
            return std::find(lists[i].begin(), lists[i].end(), keyword) != lists[i].end();
    }
    return false; // the 1986 row defines none
}

const VersionRules* versionOf(std::string_view line) {
    for (const auto& v : kVersions) {
        if (line == v.line)
            return &v;
    }
    return nullptr;
}

std::string withoutBlanks(std::string_view text) {
    std::string squeezed(text);
    squeezed.erase(std::remove(squeezed.begin(), squeezed.end(), ' '), squeezed.end());
    return squeezed;
}

// The keyword a line starts with after leading blanks, or "".
std::string_view indentedKeyword(std::string_view line, bool& indented) {
    const size_t first = line.find_first_not_of(' ');
    indented = first != 0 && first != std::string_view::npos;
    return first == std::string_view::npos ? std::string_view() : keywordOf(line.substr(first));
}

// The bracketed keyword a line starts with, or empty.
// The names of the versions that define the keyword, "" when none does.
std::string definedBy(std::string_view keyword) {
    std::string names;
    for (const auto& v : kVersions) {
        if (defines(v, keyword))
            names += std::string(names.empty() ? "" : ", ") + v.name;
    }
    return names;
}

std::string endName(std::string_view end) {
    if (end == "\r\n")
        return "CR LF";
    if (end == "\n")
        return "LF";
    return "CR";
}

#ifdef TAGMERE_BYTE_BLOCKS
// The lines from `pos` (where line `i` starts) on, a block of bytes at a time, while each
// line end is of the kind `end` (any kind when it is empty): then only the first line that
// ends in a block can be longer than the limit, at least a block, so only its length is
// handed to `lengthOf`. Returns where a line-by-line walk takes over, with `i` that line's
// index: at a block of other line ends, and for the last bytes.
template <typename Length>
size_t walkDataBlocks(std::string_view bytes, size_t pos, size_t& i, std::string_view end, Length&& lengthOf) {
    const char* const data = bytes.data();
    const bool crLf = end == "\r\n";
    const bool lfOnly = end == "\n";
    const bool crOnly = end == "\r";
    // The byte after a block is looked at too, for a CR LF across its edge.
    for (size_t block = pos; bytes.size() - block > bytescan::kBlock; block += bytescan::kBlock) {
        const unsigned long long cr = bytescan::equal64(data + block, '\r');
        const unsigned long long lf = bytescan::equal64(data + block, '\n');
        const unsigned long long crBefore = (cr << 1) | static_cast<unsigned long long>(data[block - 1] == '\r');
        if (crLf) {
            const unsigned long long lfAfter =
                (lf >> 1) | (static_cast<unsigned long long>(data[block + 64] == '\n') << 63);
            if ((cr & ~lfAfter) || (lf & ~crBefore))
                break;
        } else if ((lfOnly && cr) || (crOnly && lf)) {
            break;
        }
        // Where each line ends: a CR, or an LF with no CR before it.
        unsigned long long ends = cr | (lf & ~crBefore);
        if (pos > block)
            ends &= bytescan::bitsFrom(pos - block); // the LF of a CR LF across the edge
        if (ends == 0)
            continue;
        lengthOf(i, block + static_cast<size_t>(bytescan::lowestBit(ends)) - pos);
        i += static_cast<size_t>(bytescan::bitCount(ends));
        const size_t last = block + static_cast<size_t>(bytescan::highestBit(ends));
        pos = last + (data[last] == '\r' && data[last + 1] == '\n' ? 2 : 1);
    }
    return pos;
}
#endif

} // namespace

const char* severityText(Severity severity) {
    return severity == Severity::Error ? "error" : "warning";
}

namespace {

// Findings of one code a file gets in full; past it one finding counts the rest, so a
// hostile file cannot make the report (or memory) grow with its lines.
constexpr size_t kFindingsPerCode = 50;

class Findings {
public:
    void add(const char* code, Severity severity, size_t line, std::string text) {
        size_t& count = m_counts[code];
        if (++count <= kFindingsPerCode)
            m_list.push_back({code, severity, static_cast<long>(line), std::move(text)});
        else if (count == kFindingsPerCode + 1)
            m_firstOmitted[code] = {severity, line};
    }

    std::vector<HeaderFinding> take() {
        for (const auto& [code, first] : m_firstOmitted)
            m_list.push_back({code, first.first, static_cast<long>(first.second),
                              std::to_string(m_counts[code] - kFindingsPerCode) + " more finding(s) of " + code +
                                  " from this line on are not listed"});
        return std::move(m_list);
    }

private:
    std::vector<HeaderFinding> m_list;
    std::map<std::string, size_t> m_counts;
    std::map<std::string, std::pair<Severity, size_t>> m_firstOmitted;
};

// The header checks; `rules` is set to the version's row, or null. Lines are walked, never
// collected, so a file of millions of short lines takes no more memory than a small one.
std::vector<HeaderFinding> checkHeaderWith(std::string_view bytes, const VersionRules*& rules) {
    Findings findings;
    auto add = [&](const char* code, Severity severity, size_t line, std::string text) {
        findings.add(code, severity, line, std::move(text));
    };

    // First pass: the first line and the TILT= line. It stops there: the header is short,
    // and the lines after it are walked once, below.
    std::string_view first;
    constexpr size_t kNoTiltLine = static_cast<size_t>(-1);
    size_t tilt = kNoTiltLine; // index of the TILT= line
    {
        LineCursor cursor(bytes);
        RawLine line;
        for (size_t i = 0; cursor.next(line); ++i) {
            if (i == 0)
                first = line.text;
            if (startsWith(line.text, kTiltPrefix)) {
                tilt = i;
                break;
            }
        }
    }
    const bool hasTilt = tilt != kNoTiltLine;
    if (!hasTilt)
        add(finding::kNoTilt, Severity::Error, 1, "no line starts \"TILT=\": keywords cannot be added to this file");

    // The version line.
    rules = versionOf(first);
    if (!rules) {
        rules = versionOf(withoutBlanks(first));
        if (rules)
            add(finding::kVersionBlanks, Severity::Warning, 1,
                "version line \"" + std::string(first) + "\" has blanks in it");
        else if (hasTilt && isFreeTextHeader(first))
            rules = &k1986;
        else
            add(finding::kVersionUnknown, Severity::Error, 1,
                "first line \"" + std::string(first.substr(0, 40)) +
                    "\" is not a known version line (IESNA91, IESNA:LM-63-1995, IESNA:LM-63-2002, IES:LM-63-2019)");
    }
    const bool freeText = rules == &k1986;
    const std::vector<std::string_view> required = rules ? listItems(rules->required) : std::vector<std::string_view>();
    std::vector<bool> present(required.size(), false);

    bool previousIsKeyword = false;
    size_t openBlock = 0; // line index of the open [BLOCK] + 1, or 0
    size_t longLines = 0;
    size_t firstLong = 0;
    size_t firstLongLength = 0;
    std::string_view firstEnd;
    bool endsMixed = false;

    // Line lengths by the version's limits, without the line end: the format gives a
    // line's length and its CR LF terminator as two separate rules.
    const auto checkLength = [&](size_t i, size_t length, size_t limit) {
        if (limit > 0 && length > limit && longLines++ == 0) {
            firstLong = i;
            firstLongLength = length;
        }
    };
    // Line ends: CR LF throughout is what every reader expects.
    const auto checkEnd = [&](size_t i, std::string_view end) {
        if (!end.empty() && !endsMixed) {
            if (firstEnd.empty()) {
                firstEnd = end;
            } else if (end.size() != firstEnd.size() || end[0] != firstEnd[0]) {
                // (CR LF, LF and CR differ in length or first byte: no memcmp per line.)
                add(finding::kLineEnds, Severity::Warning, i + 1,
                    "mixed line ends: " + endName(end) + " here, " + endName(firstEnd) + " on the lines before");
                endsMixed = true;
            }
        }
    };

    LineCursor cursor(bytes);
    RawLine line;
    size_t i = 0;
    for (; i <= tilt && cursor.next(line); ++i) {
        const bool header = i < tilt;

        // Keyword lines of the header.
        bool indented = false;
        const std::string_view keyword =
            header && !freeText ? indentedKeyword(line.text, indented) : std::string_view();
        if (!keyword.empty()) {
            for (size_t r = 0; r < required.size(); ++r)
                present[r] = present[r] || keyword == required[r];
            if (indented)
                add(finding::kKeywordIndent, Severity::Warning, i + 1,
                    std::string(keyword) + " has blanks before it: other programs may not see it as a keyword line");
            const bool own = rules ? defines(*rules, keyword) : !definedBy(keyword).empty();
            if (!own && !startsWith(keyword, "[_")) {
                const std::string upper = upperAscii(keyword);
                const std::string others = definedBy(keyword);
                if (!others.empty()) {
                    add(finding::kOtherVersion, Severity::Warning, i + 1,
                        std::string(keyword) + " belongs to " + others + ", not to " + rules->name);
                } else if (upper != keyword && !definedBy(upper).empty()) {
                    add(finding::kKeywordCase, Severity::Warning, i + 1,
                        std::string(keyword) + " should be written " + upper +
                            ": in another letter case other programs do not see it");
                } else {
                    add(finding::kUnknownKeyword, Severity::Warning, i + 1,
                        std::string(keyword) + " is not a standard keyword (user keywords start with \"[_\")");
                }
            }
            if (keyword == "[MORE]" && !previousIsKeyword)
                add(finding::kOrphanMore, Severity::Warning, i + 1, "[MORE] line follows no keyword line");
            if (rules && rules->blocks && keyword == "[BLOCK]") {
                if (openBlock)
                    add(finding::kBlockUnbalanced, Severity::Warning, i + 1,
                        "[BLOCK] inside the block opened on line " + std::to_string(openBlock));
                openBlock = i + 1;
            } else if (rules && rules->blocks && keyword == "[ENDBLOCK]") {
                if (!openBlock)
                    add(finding::kBlockUnbalanced, Severity::Warning, i + 1, "[ENDBLOCK] closes no [BLOCK]");
                openBlock = 0;
            }
        }
        previousIsKeyword = !keyword.empty();

        checkLength(i, line.text.size(), rules ? rules->headerLimit : 0);
        checkEnd(i, line.end);

        // Bytes outside printable ASCII in the header: one finding per line.
        if (header) {
            const auto bad = std::find_if(line.text.begin(), line.text.end(), [](char c) {
                const auto u = static_cast<unsigned char>(c);
                return u < 0x20 || u > 0x7E;
            });
            if (bad != line.text.end()) {
                const auto u = static_cast<unsigned char>(*bad);
                static const char* hex = "0123456789ABCDEF";
                add(finding::kNonAscii, Severity::Warning, i + 1,
                    std::string("byte 0x") + hex[u >> 4] + hex[u & 15] + " at column " +
                        std::to_string(bad - line.text.begin() + 1) + " is not printable ASCII");
            }
        }
    }

    // The lines after TILT=, most of a file: only their lengths and line ends count.
    const size_t limit = rules ? rules->dataLimit : 0;
    if (hasTilt && i == tilt + 1) {
        size_t pos = static_cast<size_t>(line.text.data() - bytes.data()) + line.text.size() + line.end.size();
#ifdef TAGMERE_BYTE_BLOCKS
        if ((limit == 0 || limit >= bytescan::kBlock) && (endsMixed || !firstEnd.empty()))
            pos = walkDataBlocks(bytes, pos, i, endsMixed ? std::string_view() : firstEnd,
                                 [&](size_t at, size_t length) { checkLength(at, length, limit); });
#endif
        LineCursor rest(bytes.substr(pos));
        for (; rest.next(line); ++i) {
            checkLength(i, line.text.size(), limit);
            checkEnd(i, line.end);
        }
    }

    if (openBlock)
        add(finding::kBlockUnbalanced, Severity::Warning, openBlock, "[BLOCK] is never closed by [ENDBLOCK]");
    for (size_t r = 0; r < required.size(); ++r) {
        if (!present[r])
            add(finding::kMissingKeyword, Severity::Error, hasTilt ? tilt + 1 : 1,
                "required keyword " + std::string(required[r]) + " is missing (" + rules->name + ")");
    }
    // One finding a file: a file too long in one line is usually too long in every data line.
    if (longLines > 0) {
        const std::string limits = rules->headerLimit == rules->dataLimit
                                       ? std::to_string(rules->headerLimit)
                                       : std::to_string(rules->headerLimit) + " in the header, " +
                                             std::to_string(rules->dataLimit) + " after TILT=";
        add(finding::kLineTooLong, Severity::Warning, firstLong + 1,
            std::to_string(longLines) + " line(s) longer than " + rules->name + " allows (" + limits +
                " characters without the line end); the first has " + std::to_string(firstLongLength));
    }
    if (!endsMixed && !firstEnd.empty() && firstEnd != "\r\n")
        add(finding::kLineEnds, Severity::Warning, 1, "line ends are " + endName(firstEnd) + " only, not CR LF");
    return findings.take();
}

void sortByLine(std::vector<HeaderFinding>& findings) {
    std::stable_sort(findings.begin(), findings.end(),
                     [](const HeaderFinding& a, const HeaderFinding& b) { return a.line < b.line; });
}

} // namespace

bool isFreeTextHeader(std::string_view firstLine) {
    const std::string squeezed = upperAscii(withoutBlanks(firstLine));
    return !startsWith(squeezed, "IESNA") && !startsWith(squeezed, "IES:");
}

std::vector<HeaderFinding> checkHeader(std::string_view bytes) {
    const VersionRules* rules = nullptr;
    std::vector<HeaderFinding> findings = checkHeaderWith(bytes, rules);
    sortByLine(findings);
    return findings;
}

FileCheck checkFile(std::string_view bytes) {
    FileCheck check;
    const VersionRules* rules = nullptr;
    check.findings = checkHeaderWith(bytes, rules);
    if (rules)
        check.version = rules->name;
    std::vector<HeaderFinding> data = checkPhotometry(bytes);
    check.findings.insert(check.findings.end(), std::make_move_iterator(data.begin()),
                          std::make_move_iterator(data.end()));
    sortByLine(check.findings);
    return check;
}

} // namespace tagmere
