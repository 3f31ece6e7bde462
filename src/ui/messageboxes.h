// SPDX-License-Identifier: GPL-3.0-or-later
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
    // Answers a message with the button pressed (QMessageBox::Ok, Yes or No, or Preview).
    using Handler = std::function<QMessageBox::StandardButton(const Message&)>;

    // The answer of the Preview button that askWithPreview() adds to a question. Qt has no
    // such standard button; the box shows its own and reports it as this value.
    static constexpr QMessageBox::StandardButton Preview = QMessageBox::Apply;

    // Shows the message modal to `parent` and returns the button pressed.
    static QMessageBox::StandardButton show(QWidget* parent, const Message& message);
    // A question (Yes, No) with a third button, Preview: Yes, No or Preview.
    static QMessageBox::StandardButton askWithPreview(QWidget* parent, const Message& question);

    // Replaces the message boxes by `handler`; an empty handler brings them back.
    static void setHandler(Handler handler);

    // The text as shown: single-byte text, lines broken at "\r".
    static QString displayText(const Message& message);

private:
    static QMessageBox::StandardButton showBox(QWidget* parent, const Message& message, bool preview);
};

} // namespace tagmere::ui
