// SPDX-License-Identifier: GPL-3.0-or-later
#include "messageboxes.h"

#include "app/addkeywords.h"

#include <QPushButton>

namespace tagmere::ui {

namespace {
MessageBoxes::Handler& handlerSlot() {
    static MessageBoxes::Handler handler;
    return handler;
}
} // namespace

void MessageBoxes::setHandler(Handler handler) {
    handlerSlot() = std::move(handler);
}

QString MessageBoxes::displayText(const Message& message) {
    QString text = app::fromBytes(message.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QMessageBox::StandardButton MessageBoxes::show(QWidget* parent, const Message& message) {
    return showBox(parent, message, false);
}

QMessageBox::StandardButton MessageBoxes::askWithPreview(QWidget* parent, const Message& question) {
    return showBox(parent, question, true);
}

QMessageBox::StandardButton MessageBoxes::showBox(QWidget* parent, const Message& message, bool preview) {
    if (handlerSlot())
        return handlerSlot()(message);

    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (message.icon) {
    case MessageIcon::None:
        icon = QMessageBox::NoIcon;
        break;
    case MessageIcon::Exclamation:
        icon = QMessageBox::Warning;
        break;
    case MessageIcon::Question:
        icon = QMessageBox::Question;
        break;
    }
    const QMessageBox::StandardButtons buttons =
        message.buttons == MessageButtons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok;
    QMessageBox box(icon, QLatin1String(app::kAppTitle), displayText(message), buttons, parent);
    if (message.buttons == MessageButtons::YesNo)
        box.setDefaultButton(QMessageBox::Yes);
    const QAbstractButton* previewButton =
        preview ? box.addButton(QStringLiteral("Preview"), QMessageBox::ActionRole) : nullptr;
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (previewButton && box.clickedButton() == previewButton)
        return Preview;
    // Esc or the title bar's close button on a question is a No.
    return preview && box.clickedButton() == nullptr ? QMessageBox::No : answer;
}

} // namespace tagmere::ui
