// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include <QDir>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace tagmere::test {

TempFolder::TempFolder() {
    m_dir.setAutoRemove(true);
}

std::string TempFolder::path() const {
    return m_dir.path().toStdString();
}

std::string TempFolder::file(const std::string& relative) const {
    return (fs::path(path()) / relative).string();
}

std::string TempFolder::write(const std::string& relative, const std::string& bytes) const {
    const fs::path full = fs::path(path()) / relative;
    fs::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full.string();
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) {
    return fs::exists(fs::symlink_status(path));
}

std::vector<std::string> listFolder(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Grid csvGrid(const std::string& csv) {
    Grid grid(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = csv.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0; i < csv.size(); ++i) {
        const char c = csv[i];
        if (quoted && c == '"' && i + 1 < csv.size() && csv[i + 1] == '"')
            grid.back().back() += csv[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == ',')
            grid.back().emplace_back();
        else if (!quoted && c == '\r')
            continue;
        else if (!quoted && c == '\n')
            grid.emplace_back(1);
        else
            grid.back().back() += c;
    }
    if (grid.back().size() == 1 && grid.back()[0].empty())
        grid.pop_back();
    return grid;
}

std::string csvText(const Grid& grid) {
    std::string out;
    for (const auto& row : grid) {
        for (size_t i = 0; i < row.size(); ++i) {
            std::string cell;
            for (const char c : row[i])
                cell += c == '"' ? std::string("\"\"") : std::string(1, c);
            out += (i ? ",\"" : "\"") + cell + "\"";
        }
        out += "\r\n";
    }
    return out;
}

std::string shownPath(const std::string& path) {
    return shownPath(QString::fromStdString(path)).toStdString();
}

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

void useStateFolder(const std::string& folder) {
#ifdef _WIN32
    qputenv("LOCALAPPDATA", QByteArray::fromStdString(folder));
#else
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(folder));
#endif
}

} // namespace tagmere::test
