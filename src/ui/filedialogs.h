// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tagmere::ui {

// The one way every window asks for a file name. The program shows Qt's file dialog; tests
// install a handler that answers with a name instead, as they do for message boxes.
class FileDialogs final {
public:
    enum class Mode { Save, Open };
    struct Request {
        Mode mode = Mode::Open;
        QString caption;
        QString start;   // the folder, or the file name offered
        QString filters; // "CSV table (*.csv);;JSON lines (*.json)"
    };
    // The name chosen and the filter it was chosen under; an empty path when cancelled.
    struct Answer {
        QString path;
        QString filter;
    };
    using Handler = std::function<Answer(const Request&)>;

    // Asks modal to `parent`. A save dialog adds the chosen filter's extension to a name
    // typed without one, and asks before an existing file is replaced.
    static Answer ask(QWidget* parent, const Request& request);

    // Replaces the dialogs by `handler`; an empty handler brings them back.
    static void setHandler(Handler handler);
};

} // namespace tagmere::ui
