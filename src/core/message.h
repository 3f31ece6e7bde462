// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tagmere {

enum class MessageIcon { None, Exclamation, Question };
enum class MessageButtons { Ok, YesNo };

// A message for the user as data: the window shows it in a message box under the
// application's title, the command-line tool prints it. Lines break at a single "\r".
struct Message {
    std::string text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;

    bool operator==(const Message& o) const { return text == o.text && icon == o.icon && buttons == o.buttons; }
};

inline Message plainMessage(std::string text) {
    return {std::move(text), MessageIcon::None, MessageButtons::Ok};
}
inline Message warningMessage(std::string text) {
    return {std::move(text), MessageIcon::Exclamation, MessageButtons::Ok};
}
inline Message question(std::string text) {
    return {std::move(text), MessageIcon::Question, MessageButtons::YesNo};
}

// The message text with its line breaks as line feeds, for a terminal.
std::string consoleText(const Message& message);

} // namespace tagmere
