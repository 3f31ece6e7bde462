// SPDX-License-Identifier: GPL-3.0-or-later
#include "linebuffer.h"

#include "bytescan.h"
#include "text.h"

#include <algorithm>

namespace tagmere {

namespace {

// Bit i set where byte i of the `count` (at most 64) at `at` is a CR or an LF.
unsigned long long breaksIn(const char* at, size_t count) {
#ifdef TAGMERE_BYTE_BLOCKS
    if (count == bytescan::kBlock)
        return bytescan::equal64(at, '\r') | bytescan::equal64(at, '\n');
#endif
    unsigned long long bits = 0;
    for (size_t i = 0; i < count; ++i) {
        if (at[i] == '\r' || at[i] == '\n')
            bits |= 1ULL << i;
    }
    return bits;
}

} // namespace

bool LineCursor::findBreaks() {
    // Every check walks each line of a library of files, and most lines are long runs of
    // numbers: their ends are found 64 bytes at a time.
    while (m_breaks == 0 && m_scanned < m_bytes.size()) {
        m_blockStart = m_scanned;
        const size_t count = std::min(bytescan::kBlock, m_bytes.size() - m_scanned);
        m_breaks = breaksIn(m_bytes.data() + m_scanned, count);
        m_scanned += count;
        dropBreaksBefore(m_pos);
    }
    return m_breaks != 0;
}

std::vector<RawLine> rawLines(std::string_view bytes) {
    std::vector<RawLine> lines;
    LineCursor cursor(bytes);
    for (RawLine line; cursor.next(line);)
        lines.push_back(line);
    return lines;
}

std::string_view keywordOf(std::string_view line) {
    if (line.empty() || line[0] != '[')
        return {};
    const size_t close = line.find(']');
    return close == std::string_view::npos ? std::string_view() : line.substr(0, close + 1);
}

FileLines splitLines(std::string_view bytes) {
    FileLines lines = emptyFileLines();
    for (const RawLine& line : rawLines(bytes))
        lines.emplace_back(line.text);
    return lines;
}

FileLines splitLinesForEdit(std::string_view bytes) {
    FileLines lines = emptyFileLines();
    std::string run;         // the run's lines that are not blank, joined
    std::string_view spacer; // the run's first non-empty blank line
    bool inRun = false;
    const auto closeRun = [&] {
        if (inRun)
            lines.push_back(run.empty() ? std::string(spacer) : std::move(run));
        run.clear();
        spacer = {};
        inRun = false;
    };
    LineCursor cursor(bytes);
    RawLine line;
    bool first = true;
    while (cursor.next(line)) {
        // The last line, too, stays apart: the write keeps it without a line end when it had none.
        const bool last = line.text.data() + line.text.size() + line.end.size() == bytes.data() + bytes.size();
        if (first || last || line.text.find('[') != std::string_view::npos || startsWith(line.text, kTiltPrefix)) {
            closeRun();
            lines.emplace_back(line.text);
        } else {
            inRun = true;
            if (!isBlank(line.text)) {
                if (!run.empty())
                    run += "\r\n";
                run += line.text;
            } else if (spacer.empty()) {
                spacer = line.text;
            }
        }
        first = false;
    }
    closeRun();
    return lines;
}

std::string joinLinesForWrite(const FileLines& lines, bool lastLineEnded) {
    size_t total = 0;
    for (size_t i = 1; i < lines.size(); ++i)
        total += lines[i].size() + 2;
    std::string out;
    out.reserve(total);
    for (size_t i = 1; i < lines.size(); ++i) {
        if (isBlank(lines[i]))
            continue;
        out += lines[i];
        if (lastLineEnded || i + 1 < lines.size())
            out += "\r\n";
    }
    return out;
}

bool endsWithLineEnd(std::string_view bytes) {
    return bytes.empty() || bytes.back() == '\n' || bytes.back() == '\r';
}

} // namespace tagmere
