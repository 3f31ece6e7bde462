// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace tagmere::test {

// A temporary folder that tests fill with files; removed with its contents at the end.
class TempFolder {
public:
    TempFolder();
    std::string path() const;
    // Full path of `relative` inside the folder.
    std::string file(const std::string& relative) const;
    // Writes `bytes` to `relative` (creating subfolders) and returns the full path.
    std::string write(const std::string& relative, const std::string& bytes) const;

private:
    QTemporaryDir m_dir;
};

// File bytes as the widgets show them (Latin-1, so every byte is kept), and a path.
inline QString q(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
inline QString qs(const std::string& path) {
    return QString::fromStdString(path);
}

// A path as the window and its messages show it: with backslashes on Windows.
std::string shownPath(const std::string& path);
QString shownPath(const QString& path);

// Points the run journal at a folder of the test's own (XDG_STATE_HOME here, LOCALAPPDATA on
// Windows), so each test starts from an empty journal.
void useStateFolder(const std::string& folder);

std::string readBytes(const std::string& path);
bool fileExists(const std::string& path);
// Names of the entries of a folder, sorted.
std::vector<std::string> listFolder(const std::string& path);

// A CSV table as a grid of cells (rows of cells, headings first), so a test edits it as a
// spreadsheet user would, and the grid back as CSV (every cell quoted).
using Grid = std::vector<std::vector<std::string>>;
Grid csvGrid(const std::string& csv);
std::string csvText(const Grid& grid);

} // namespace tagmere::test
