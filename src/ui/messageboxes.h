#pragma once

#include "core/message.h"

#include <QMessageBox>

#include <functional>

class QWidget;

namespace tagmere::ui {

// The one way every window shows a message. The program shows a message box under the
// application's title with the message's icon and buttons; tests install a handler that
// records the message and answers it instead.
class MessageBoxes final {
public:
    // Answers a message with the button pressed (QMessageBox::Ok, Yes or No).
    using Handler = std::function<QMessageBox::StandardButton(const Message&)>;

    // Shows the message modal to `parent` and returns the button pressed.
    static QMessageBox::StandardButton show(QWidget* parent, const Message& message);

    // Replaces the message boxes by `handler`; an empty handler brings them back.
    static void setHandler(Handler handler);

    // The text as shown: single-byte text, lines broken at "\r".
    static QString displayText(const Message& message);
};

} // namespace tagmere::ui
