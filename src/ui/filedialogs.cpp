// SPDX-License-Identifier: GPL-3.0-or-later
#include "filedialogs.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace tagmere::ui {

namespace {

FileDialogs::Handler& handlerSlot() {
    static FileDialogs::Handler handler;
    return handler;
}

// "csv" of "CSV table (*.csv)".
QString suffixOf(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    return pattern.match(filter).captured(1);
}

} // namespace

void FileDialogs::setHandler(Handler handler) {
    handlerSlot() = std::move(handler);
}

FileDialogs::Answer FileDialogs::ask(QWidget* parent, const Request& request) {
    if (handlerSlot())
        return handlerSlot()(request);

    QFileDialog dialog(parent, request.caption, request.start, request.filters);
    const bool save = request.mode == Mode::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save) {
        // The extension follows the filter, so the file is read back as what it holds.
        dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().front(), dialog.selectedNameFilter()};
}

} // namespace tagmere::ui
