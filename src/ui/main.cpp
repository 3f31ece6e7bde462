// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/addkeywords.h"
#include "core/version.h"
#include "ui/program.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Edits, in bulk, the keyword lines in the header of IES LM-63 photometric files (*.ies):\n"
                       "find the files below a folder, tick keywords and values in keyword lists, and add,\n"
                       "replace or remove those lines in every ticked file. The command-line tool tagmere-cli\n"
                       "does the same edits from scripts."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A photometric file (*.ies) to start with: its folder is searched "
                                                "and the file made current, as a click on it would."),
                                 QStringLiteral("[file]"));
}

bool isArgument(const char* argument, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (std::strcmp(argument, name) == 0)
            return true;
    }
    return false;
}

// Qt aborts the program when it finds no display; a desktop session names one in the
// environment, so its absence can be told plainly before Qt tries.
bool displayNamed(int argc, char** argv) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    for (int i = 1; i < argc; ++i) {
        if (isArgument(argv[i], {"-platform", "--platform"}))
            return true; // Qt's own option chooses the platform
    }
    return false;
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    return true;
#endif
}

QtMessageHandler qtMessages = nullptr;

// A display that is named but cannot be reached (a stale DISPLAY, a missing platform
// plugin) is a fatal message inside QApplication's constructor: say so and end with
// status 1, as for no display, rather than abort.
void startMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        qtMessages(type, context, text);
        return;
    }
    std::fprintf(stderr, "%s\ntagmere: the window cannot be opened; use tagmere-cli for scripts\n", qPrintable(text));
    std::fflush(stderr);
    std::_Exit(1);
}

} // namespace

int main(int argc, char** argv) {
    // --help and --version answer without a display, so they work in a plain terminal
    // and for the manual page generator.
    for (int i = 1; i < argc; ++i) {
        if (isArgument(argv[i], {"--help", "-h", "--help-all", "--version", "-v"})) {
            QCoreApplication core(argc, argv);
            QCoreApplication::setApplicationName(QLatin1String(tagmere::app::kAppTitle));
            QCoreApplication::setApplicationVersion(QString::fromLatin1(tagmere::kVersion));
            QCommandLineParser parser;
            describe(parser);
            parser.process(core); // prints and exits
            return 0;
        }
    }
    if (!displayNamed(argc, argv)) {
        std::fputs("tagmere: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset); "
                   "use tagmere-cli for scripts\n",
                   stderr);
        return 1;
    }
    qtMessages = qInstallMessageHandler(startMessages);
    QApplication application(argc, argv);
    qInstallMessageHandler(qtMessages);
    QApplication::setApplicationName(QLatin1String(tagmere::app::kAppTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(tagmere::kVersion));

    // Parsed after QApplication has taken its own options (-platform, -style, ...) out.
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "tagmere: %s\nTry 'tagmere --help' for more information.\n",
                     qPrintable(parser.errorText()));
        return 1;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fputs("tagmere: one file at most\nTry 'tagmere --help' for more information.\n", stderr);
        return 1;
    }
    const auto program = tagmere::ui::Main({}, files.isEmpty() ? QString() : files.front());
    return QApplication::exec();
}
