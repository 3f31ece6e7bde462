// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundfiles.h"

#include "files/platform.h"

#include <cstdio>
#include <stdexcept>

namespace tagmere {

FoundFileItem::FoundFileItem(std::string name, std::shared_ptr<const std::string> folder)
    : Text(std::move(name)), m_folder(std::move(folder)) {}

const std::string& FoundFileItem::folder() const {
    static const std::string none;
    return m_folder ? *m_folder : none;
}

bool FoundFileItem::modified(std::time_t& time) const {
    if (m_dateState == DateState::Unread) {
        if (platform::modificationTime(fullPath(), m_modified)) {
            m_dateState = DateState::Read;
        } else {
            m_dateState = DateState::Unreadable;
        }
    }
    time = m_modified;
    return m_dateState == DateState::Read;
}

void FoundFileItem::setModified(std::time_t time) {
    m_modified = time;
    m_dateState = DateState::Read;
}

FoundFileItem& FoundFilesList::item(int index) {
    if (index < 1 || index > count())
        throw std::out_of_range("found file index out of range");
    return at(index - 1);
}

const FoundFileItem& FoundFilesList::item(int index) const {
    if (index < 1 || index > count())
        throw std::out_of_range("found file index out of range");
    return at(index - 1);
}

int FoundFilesList::add(FoundFileItem item) {
    if (m_count == static_cast<int>(m_blocks.size()) * kBlock)
        m_blocks.push_back(std::make_unique<FoundFileItem[]>(kBlock));
    at(m_count) = std::move(item);
    return ++m_count;
}

void FoundFilesList::clear() {
    m_blocks.clear();
    m_count = 0;
}

void FoundFilesList::deselectAll() {
    for (int i = 0; i < m_count; ++i)
        at(i).Selected = false;
}

void FoundFilesList::setAllChecked(bool checked) {
    for (int i = 0; i < m_count; ++i)
        at(i).Checked = checked;
}

std::string folderWithSlash(const std::string& folder) {
    auto end = folder.find_last_not_of('/');
    if (end == std::string::npos)
        return folder.empty() ? std::string() : std::string("/");
    return folder.substr(0, end + 1) + "/";
}

std::string foundCountText(int count) {
    if (count == 0)
        return "0";
    return count > 0 ? " " + std::to_string(count) : std::to_string(count);
}

} // namespace tagmere
