// SPDX-License-Identifier: GPL-3.0-or-later
#include "linebuffer.h"

#include "text.h"

namespace tagmere {

bool LineCursor::next(RawLine& line) {
    if (m_pos >= m_bytes.size())
        return false;
    const size_t start = m_pos;
    size_t stop = start;
    while (stop < m_bytes.size() && m_bytes[stop] != '\r' && m_bytes[stop] != '\n')
        ++stop;
    if (stop == m_bytes.size()) {
        line = {m_bytes.substr(start), {}};
        m_pos = m_bytes.size();
        return true;
    }
    const size_t endLength = (m_bytes[stop] == '\r' && stop + 1 < m_bytes.size() && m_bytes[stop + 1] == '\n') ? 2 : 1;
    line = {m_bytes.substr(start, stop - start), m_bytes.substr(stop, endLength)};
    m_pos = stop + endLength;
    return true;
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
