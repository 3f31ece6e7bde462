// SPDX-License-Identifier: GPL-3.0-or-later
#include "linebuffer.h"

#include "text.h"

namespace tagmere {

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

FileStatus readTextFile(const std::string& path, std::string& bytes, FileIdentity* identity) {
    FileStatus status = readWholeFile(path, bytes, kMaxFileBytes, identity);
    if (status.ok && bytes.find('\0') != std::string::npos)
        status = FileStatus::failure("it holds NUL bytes, so it is not a photometric text file");
    return status;
}

FileResult msbIESFileRead(const std::string& Filename, FileLines& gstrFileLine) {
    std::string bytes;
    const FileStatus status = readTextFile(Filename, bytes);
    gstrFileLine = splitLines(bytes);
    if (status.ok)
        return {};
    return {false, status.description, plainMessage("Unable to read file: " + status.description)};
}

} // namespace tagmere
