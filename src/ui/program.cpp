// SPDX-License-Identifier: GPL-3.0-or-later
#include "program.h"

#include "frmaddkeywords.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>

namespace tagmere::ui {

namespace {

// PNGs, built in: drawing the SVG would need Qt's SVG plugin, which a minimal system lacks.
QIcon programIcon() {
    QIcon icon;
    const QDir folder(QStringLiteral(":/tagmere/icons"));
    for (const QString& name : folder.entryList(QDir::Files))
        icon.addFile(folder.filePath(name));
    return icon;
}

} // namespace

Program::Program() = default;
Program::~Program() = default;

std::unique_ptr<Program> Main(const StartFolders& folders, const QString& file) {
    // Window managers and task bars take it from every window of the program.
    QGuiApplication::setWindowIcon(programIcon());
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
    program->window->setStartFile(file);
    program->window->show();
    program->window->activateWindow();
    return program;
}

} // namespace tagmere::ui
