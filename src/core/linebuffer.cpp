#include "linebuffer.h"

#include "text.h"

namespace tagmere {

FileLines splitLines(std::string_view bytes) {
    FileLines lines = emptyFileLines();
    size_t start = 0;
    const size_t n = bytes.size();
    for (size_t i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.emplace_back(bytes.substr(start, i - start));
        if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.emplace_back(bytes.substr(start));
    return lines;
}

std::string joinLinesForWrite(const FileLines& lines) {
    size_t total = 0;
    for (size_t i = 1; i < lines.size(); ++i)
        total += lines[i].size() + 2;
    std::string out;
    out.reserve(total);
    for (size_t i = 1; i < lines.size(); ++i) {
        if (isBlank(lines[i]))
            continue;
        out += lines[i];
        out += "\r\n";
    }
    return out;
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
