// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/frmaddkeywords.h"
#include "ui/messageboxes.h"
#include "ui/program.h"

#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace tagmere::test {

// Answers every message box while it lives: records the message, calls whenShown (to look at
// the window as the box shows) and answers with the next queued answer, or OK (No for a
// question) when none is queued.
class MessageRecorder {
public:
    MessageRecorder() {
        ui::MessageBoxes::setHandler([this](const Message& message) {
            shown.push_back(message);
            if (whenShown)
                whenShown();
            if (!answers.empty()) {
                const QMessageBox::StandardButton answer = answers.front();
                answers.pop_front();
                return answer;
            }
            return message.buttons == MessageButtons::YesNo ? QMessageBox::No : QMessageBox::Ok;
        });
    }
    ~MessageRecorder() { ui::MessageBoxes::setHandler({}); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<Message> shown;
    std::deque<QMessageBox::StandardButton> answers;
    std::function<void()> whenShown;
};

// Clicks the check box of a row with the mouse, as a user ticks it.
inline void clickCheckBox(QTreeView* view, const QModelIndex& index) {
    view->scrollTo(index);
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.rect = view->visualRect(index);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = index.data().toString();
    option.checkState = static_cast<Qt::CheckState>(index.data(Qt::CheckStateRole).toInt());
    const QRect box = view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, box.center());
}

inline void clickCheckBox(QTreeWidget* tree, QTreeWidgetItem* item) {
    clickCheckBox(tree, tree->indexFromItem(item));
}

// One row of the found-files list (column 0), read as a user sees it.
class ListRow {
public:
    ListRow() = default;
    explicit ListRow(QModelIndex index) : m_index(index) {}
    explicit operator bool() const { return m_index.isValid(); }
    // So tests read a row as they read a tree item: row->text(0).
    const ListRow* operator->() const { return this; }
    QModelIndex index(int column = 0) const { return m_index.sibling(m_index.row(), column); }
    QVariant data(int column, int role) const { return index(column).data(role); }
    QString text(int column) const { return data(column, Qt::DisplayRole).toString(); }
    QString toolTip(int column) const { return data(column, Qt::ToolTipRole).toString(); }
    QIcon icon(int column) const { return qvariant_cast<QIcon>(data(column, Qt::DecorationRole)); }
    Qt::CheckState checkState(int column) const {
        return static_cast<Qt::CheckState>(data(column, Qt::CheckStateRole).toInt());
    }

private:
    QPersistentModelIndex m_index;
};

inline int rowCount(const QTreeView* list) {
    return list->model()->rowCount();
}

// The first row whose name is `name`, or an empty row.
inline ListRow findRow(const QTreeView* list, const QString& name) {
    const QModelIndexList hits =
        list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
    return hits.isEmpty() ? ListRow() : ListRow(hits.front());
}

inline void clickCheckBox(QTreeView* list, const ListRow& row) {
    clickCheckBox(list, row.index());
}

// Clicks a row in the middle of its part in view, as a user picks it.
inline void clickRow(QTreeView* list, const ListRow& row) {
    list->scrollTo(row.index());
    const QRect place = list->visualRect(row.index()).intersected(list->viewport()->rect());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(place.left() + place.width() / 2, place.center().y()));
}

// Starts the program as Main does, on these folders (and with `file` as named on the command
// line), and returns once its window is active and the backup warning has been answered.
inline std::unique_ptr<ui::Program> startProgram(const QString& dataFolder, const QString& settingsFolder,
                                                 MessageRecorder& messages, const QString& file = {}) {
    messages.shown.clear();
    ui::StartFolders folders;
    folders.dataFolder = dataFolder;
    folders.settingsFolder = settingsFolder;
    auto program = ui::Main(folders, file);
    if (!QTest::qWaitForWindowActive(program->window.get()))
        qWarning("the main window did not become active");
    const auto warned = [&messages] {
        return !messages.shown.empty() && messages.shown.back().icon == MessageIcon::Exclamation;
    };
    if (!QTest::qWaitFor(warned, 5000))
        qWarning("the backup warning was not shown");
    return program;
}

} // namespace tagmere::test
