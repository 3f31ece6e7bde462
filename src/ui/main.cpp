// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/addkeywords.h"
#include "core/version.h"
#include "ui/program.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstring>

namespace {

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Edits, in bulk, the keyword lines in the header of IES LM-63 photometric files (*.ies):\n"
                       "find the files below a folder, tick keywords and values in keyword lists, and add,\n"
                       "replace or remove those lines in every ticked file. The program takes no arguments\n"
                       "of its own; the command-line tool tagmere-cli does the same edits from scripts."));
    parser.addHelpOption();
    parser.addVersionOption();
}

} // namespace

int main(int argc, char** argv) {
    // --help and --version answer without a display, so they work in a plain terminal
    // and for the manual page generator.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0 ||
            std::strcmp(argv[i], "--help-all") == 0 || std::strcmp(argv[i], "--version") == 0 ||
            std::strcmp(argv[i], "-v") == 0) {
            QCoreApplication core(argc, argv);
            QCoreApplication::setApplicationName(QLatin1String(tagmere::app::kAppTitle));
            QCoreApplication::setApplicationVersion(QString::fromLatin1(tagmere::kVersion));
            QCommandLineParser parser;
            describe(parser);
            parser.process(core); // prints and exits
            return 0;
        }
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QLatin1String(tagmere::app::kAppTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(tagmere::kVersion));
    QCommandLineParser parser;
    describe(parser);
    parser.process(application); // an unknown option ends the program with status 1
    const auto program = tagmere::ui::Main();
    return QApplication::exec();
}
