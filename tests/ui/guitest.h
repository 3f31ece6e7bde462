#pragma once

#include "ui/frmaddkeywords.h"
#include "ui/messageboxes.h"
#include "ui/program.h"

#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTreeWidget>

#include <deque>
#include <memory>
#include <vector>

namespace tagmere::test {

// Answers every message box while it lives: records the message and answers with the next
// queued answer, or OK (No for a question) when none is queued.
class MessageRecorder {
public:
    MessageRecorder() {
        ui::MessageBoxes::setHandler([this](const Message& message) {
            shown.push_back(message);
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
};

// Clicks the check box of a tree item with the mouse, as a user does.
inline void clickCheckBox(QTreeWidget* tree, QTreeWidgetItem* item) {
    tree->scrollToItem(item);
    QStyleOptionViewItem option;
    option.initFrom(tree->viewport());
    option.rect = tree->visualItemRect(item);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = item->text(0);
    option.font = item->font(0);
    option.checkState = item->checkState(0);
    const QRect box = tree->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, tree);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, box.center());
}

// Clicks a row of a list in the middle of its part in view, as a user picks it.
inline void clickRow(QTreeWidget* list, QTreeWidgetItem* item) {
    list->scrollToItem(item);
    const QRect row = list->visualItemRect(item).intersected(list->viewport()->rect());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(row.left() + row.width() / 2, row.center().y()));
}

// Starts the program as Main does, on these folders, and returns once its window is active
// and the backup warning has been answered.
inline std::unique_ptr<ui::Program> startProgram(const QString& dataFolder, const QString& settingsFolder,
                                                 MessageRecorder& messages) {
    messages.shown.clear();
    ui::StartFolders folders;
    folders.dataFolder = dataFolder;
    folders.settingsFolder = settingsFolder;
    auto program = ui::Main(folders);
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
