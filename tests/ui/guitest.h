#pragma once

#include "ui/messageboxes.h"

#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTreeWidget>

#include <deque>
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

} // namespace tagmere::test
