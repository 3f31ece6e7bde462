#include "app/addkeywords.h"
#include "ui/program.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QLatin1String(tagmere::app::kAppTitle));
    const auto program = tagmere::ui::Main();
    return QApplication::exec();
}
