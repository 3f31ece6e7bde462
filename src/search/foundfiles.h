// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace tagmere {

// One row of the found-files list: a file's name, its folder and its check mark.
class FoundFileItem final {
public:
    FoundFileItem() = default;
    // `folder` is shared by the items of one folder and must end in "/".
    FoundFileItem(std::string name, std::shared_ptr<const std::string> folder);

    // The file's name exactly as the folder listing returned it.
    std::string Text;
    bool Checked = true;
    bool Selected = false;

    // The folder holding the file, ending in exactly one "/".
    const std::string& folder() const;
    std::string fullPath() const { return folder() + Text; }

    // The raw last-modified time, so the window can show it in the user's own format.
    // Read from the file the first time it is asked for, unless the search read it
    // already; false when it cannot be read.
    bool modified(std::time_t& time) const;
    // Records a time read elsewhere (the search reads it while the folder is open).
    void setModified(std::time_t time);
    // The file was written: its date is read again when next asked for.
    void forgetModified() { m_dateState = DateState::Unread; }

private:
    enum class DateState : unsigned char { Unread, Read, Unreadable };
    // Next to the two flags above, so an item takes 64 bytes: large lists stay small.
    mutable DateState m_dateState = DateState::Unread;
    std::shared_ptr<const std::string> m_folder;
    mutable std::time_t m_modified = 0;
};

// The found files in the order they were added, addressed 1..count(). Items are kept
// in fixed blocks, so adding one never moves the others and references stay valid.
class FoundFilesList final {
public:
    int count() const { return m_count; }
    bool empty() const { return m_count == 0; }
    // 1-based; throws std::out_of_range outside 1..count().
    FoundFileItem& item(int index);
    const FoundFileItem& item(int index) const;
    std::string fullPath(int index) const { return item(index).fullPath(); }

    // Appends the item and returns its index.
    int add(FoundFileItem item);
    void clear();

    void checkAll() { setAllChecked(true); }
    void uncheckAll() { setAllChecked(false); }
    void setSelected(int index, bool selected) { item(index).Selected = selected; }
    void deselectAll();

private:
    static constexpr int kBlock = 1024;
    FoundFileItem& at(int zeroBased) { return m_blocks[zeroBased / kBlock][zeroBased % kBlock]; }
    const FoundFileItem& at(int zeroBased) const { return m_blocks[zeroBased / kBlock][zeroBased % kBlock]; }
    void setAllChecked(bool checked);
    std::vector<std::unique_ptr<FoundFileItem[]>> m_blocks;
    int m_count = 0;
};

// The folder as a found item holds it: ending in exactly one "/" ("/" stays "/").
std::string folderWithSlash(const std::string& folder);

// The found count as its label shows it: "0" before the first find, then " 1", " 2"...
// (the number written with the blank kept for its sign).
std::string foundCountText(int count);

} // namespace tagmere
