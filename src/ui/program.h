// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/addkeywords.h"
#include "app/settings.h"

#include <QString>

#include <memory>

namespace tagmere::ui {

class frmAddKeywords;

// What the running program owns: the module globals, the settings store and the main window.
struct Program {
    app::AddKeywords globals;
    std::unique_ptr<app::Settings> settings;
    std::unique_ptr<frmAddKeywords> window;

    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
};

// Where Main finds its folders; empty strings mean the user's own (data and configuration).
struct StartFolders {
    QString dataFolder;
    QString settingsFolder;
};

// The program's start: fixes the settings names, the factory list's name and the keyword
// folder, installs the factory list when it is missing, sets the program's icon, then opens
// the main window (not modal), which opens `file` when one is named (frmAddKeywords::setStartFile).
// The program then runs until its last window is closed.
std::unique_ptr<Program> Main(const StartFolders& folders = {}, const QString& file = {});

} // namespace tagmere::ui
