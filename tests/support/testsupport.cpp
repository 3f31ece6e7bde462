// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

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

} // namespace tagmere::test
