// SPDX-License-Identifier: GPL-3.0-or-later
// Drives the real main window, offscreen, for the benchmark script: a search over a tree, or
// a Bulk run over the files below a folder. Prints one line of JSON with the figures.
//
//   windowbench find DIR           the search: time until the list shows every file, memory
//   windowbench apply DIR VALUE    a Bulk run writing [MANUFAC] VALUE into every file found
//   windowbench stop DIR VALUE     the same, pressing Stop in the progress dialog part way
#include "ui/foundfilesview.h"
#include "ui/frmaddkeywords.h"
#include "ui/messageboxes.h"
#include "ui/program.h"
#include "ui_frmaddkeywords.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <cstdio>
#include <fstream>
#include <string>

using namespace tagmere;

namespace {

// The resident memory of this process now, in MB.
double residentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

int usage() {
    std::fprintf(stderr, "usage: windowbench find DIR | apply DIR VALUE | stop DIR VALUE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return usage();
    const QString mode = args[1];
    const QString folder = args[2];
    if ((mode != QLatin1String("find") && args.size() < 4) ||
        (mode != QLatin1String("find") && mode != QLatin1String("apply") && mode != QLatin1String("stop")))
        return usage();

    // Every message is answered at once: the question with Yes, the rest with OK.
    QString report;
    int questions = 0;
    ui::MessageBoxes::setHandler([&](const Message& message) {
        if (message.buttons == MessageButtons::YesNo) {
            ++questions;
            return QMessageBox::Yes;
        }
        report = ui::MessageBoxes::displayText(message);
        return QMessageBox::Ok;
    });

    QTemporaryDir data, settings;
    ui::StartFolders folders;
    folders.dataFolder = data.path();
    folders.settingsFolder = settings.path();
    auto program = ui::Main(folders);
    ui::frmAddKeywords* window = program->window.get();
    const auto& c = window->controls();
    if (!QTest::qWaitForWindowExposed(window))
        std::fprintf(stderr, "windowbench: the window was not shown\n");
    QTest::qWait(200); // the backup warning, answered
    if (!c.dirList->setPath(folder)) {
        std::fprintf(stderr, "windowbench: cannot open %s\n", qPrintable(folder));
        return 1;
    }
    settle();

    if (mode == QLatin1String("find")) {
        const double idle = residentMb();
        QElapsedTimer clock;
        clock.start();
        c.cmdFind->click();
        c.ltvFoundFiles->viewport()->repaint(); // the list as the user sees it
        const double seconds = clock.nsecsElapsed() / 1e9;
        settle();
        std::printf("{\"seconds\": %.4f, \"found\": %d, \"shown\": %d, \"idle_mb\": %.1f, \"after_mb\": %.1f}\n",
                    seconds, c.ltvFoundFiles->model()->rowCount(), c.ltvFoundFiles->model()->rowCount(), idle,
                    residentMb());
        return 0;
    }

    c.cmdFind->click();
    settle();
    const int found = c.ltvFoundFiles->model()->rowCount();
    c.optBulk->click();
    c.txtManufac->setText(args[3]);
    settle();

    const bool stop = mode == QLatin1String("stop");
    int dialogUpdates = 0;
    int lastShown = -1;
    int doneAtStop = -1;
    int lastDone = 0;
    QObject::connect(window, &ui::frmAddKeywords::batchProgress, window, [&](int done, int) {
        lastDone = done;
        auto* dialog = window->findChild<QProgressDialog*>();
        if (!dialog || !dialog->isVisible())
            return;
        if (dialog->value() != lastShown) {
            lastShown = dialog->value();
            ++dialogUpdates;
        }
        // Stop once the dialog has been seen to move for a while.
        if (stop && doneAtStop < 0 && dialogUpdates >= 3) {
            doneAtStop = done;
            QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
        }
    });
    QElapsedTimer clock;
    clock.start();
    c.cmdAddKeywords->click();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const QRegularExpressionMatch modified =
        QRegularExpression(QStringLiteral("modified in \\((\\d+)\\) file")).match(report);
    std::printf("{\"seconds\": %.4f, \"found\": %d, \"questions\": %d, \"dialog_updates\": %d, \"last_done\": %d, "
                "\"done_at_stop\": %d, \"reported\": %d}\n",
                seconds, found, questions, dialogUpdates, lastDone, doneAtStop,
                modified.hasMatch() ? modified.captured(1).toInt() : -1);
    return 0;
}
