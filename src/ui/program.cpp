// SPDX-License-Identifier: GPL-3.0-or-later
#include "program.h"

#include "frmaddkeywords.h"

namespace tagmere::ui {

Program::Program() = default;
Program::~Program() = default;

std::unique_ptr<Program> Main(const StartFolders& folders) {
    auto program = std::make_unique<Program>();
    program->globals = app::mainGlobals(folders.dataFolder.isEmpty() ? app::commonAppDataFolder() : folders.dataFolder);
    // A failed install shows when the list is loaded: the chooser then cannot open it.
    app::installFactoryList(program->globals);

    const QString regApp = QString::fromStdString(program->globals.gstrRegApp);
    const QString regAppValues = QString::fromStdString(program->globals.gstrRegAppValues);
    program->settings = folders.settingsFolder.isEmpty()
                            ? std::make_unique<app::Settings>(regApp, regAppValues)
                            : std::make_unique<app::Settings>(regApp, regAppValues, folders.settingsFolder);

    program->window = std::make_unique<frmAddKeywords>(program->globals, *program->settings);
    program->window->show();
    program->window->activateWindow();
    return program;
}

} // namespace tagmere::ui
