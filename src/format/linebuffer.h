// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bytescan.h"

#include <string>
#include <string_view>
#include <vector>

namespace tagmere {

// The lines of one photometric file: element 0 is always the empty text, the
// file's lines are elements 1..N without their terminators (N = size() - 1).
using FileLines = std::vector<std::string>;

inline FileLines emptyFileLines() {
    return FileLines(1);
}
inline size_t upperBound(const FileLines& lines) {
    return lines.empty() ? 0 : lines.size() - 1;
}

// The marker of a continuation line, and the prefix of the header's end line.
inline constexpr const char* kMoreMarker = "[MORE]";
inline constexpr const char* kTiltPrefix = "TILT=";

// The bracketed keyword a line starts with ("[TESTLAB] x" gives "[TESTLAB]"), or "".
std::string_view keywordOf(std::string_view line);

// A line of a text with the terminator that ended it ("" for a last line without one);
// both view into the text.
struct RawLine {
    std::string_view text;
    std::string_view end;
    std::string_view withEnd() const { return {text.data(), text.size() + end.size()}; }
};
// The one line splitter: CR LF, a lone CR and a lone LF each end a line; a final
// terminator gives no extra empty line. The cursor walks the lines one at a time, for
// readers that must not hold a record per line of a large file.
class LineCursor {
public:
    explicit LineCursor(std::string_view bytes) : m_bytes(bytes) {}
    // Inline, with the search for line ends out of line: a check calls this for every
    // line of every file.
    bool next(RawLine& line) {
        if (m_pos >= m_bytes.size())
            return false;
        if (m_breaks == 0 && !findBreaks()) {
            line = {m_bytes.substr(m_pos), {}};
            m_pos = m_bytes.size();
            return true;
        }
        const size_t at = m_blockStart + static_cast<size_t>(bytescan::lowestBit(m_breaks));
        const size_t endLength = (m_bytes[at] == '\r' && at + 1 < m_bytes.size() && m_bytes[at + 1] == '\n') ? 2 : 1;
        line = {m_bytes.substr(m_pos, at - m_pos), m_bytes.substr(at, endLength)};
        m_pos = at + endLength;
        dropBreaksBefore(m_pos);
        return true;
    }

private:
    void dropBreaksBefore(size_t pos) {
        if (pos > m_blockStart)
            m_breaks &= bytescan::bitsFrom(pos - m_blockStart);
    }
    // Looks for the next line end from m_pos on, a block at a time; false when none is left.
    bool findBreaks();

    std::string_view m_bytes;
    size_t m_pos = 0;
    // The line ends (CR and LF) of the 64 bytes from m_blockStart, one bit each, those
    // before m_pos cleared: found a block at a time rather than byte by byte.
    size_t m_blockStart = 0;
    size_t m_scanned = 0; // bytes looked at so far
    unsigned long long m_breaks = 0;
};
std::vector<RawLine> rawLines(std::string_view bytes);

// Splits bytes into lines 1..N. CR LF, a lone CR and a lone LF each end a line;
// a final terminator gives no extra empty line.
FileLines splitLines(std::string_view bytes);

// Lines 1..N for an edit: as splitLines gives them, except that each run of lines
// between the first and the last that no edit can touch (no "[", not starting "TILT=") is
// one element, its lines that are not blank joined by CR LF. joinLinesForWrite gives the
// same bytes for it, and a file of millions of data lines is a few strings, not millions.
FileLines splitLinesForEdit(std::string_view bytes);

// The bytes a file is written as: every line that is not empty or all blanks, followed
// by CR LF, except that a last line the file ended without a line end (a DOS end-of-file
// byte, say: !lastLineEnded) keeps having none.
std::string joinLinesForWrite(const FileLines& lines, bool lastLineEnded = true);

// True when the bytes end with a line end (or are empty).
bool endsWithLineEnd(std::string_view bytes);

} // namespace tagmere
