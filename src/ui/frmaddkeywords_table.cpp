// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's table side: the found list's context menu, which writes the found files as
// a table and applies a table's per-file values through the preview, the question and a run.
#include "frmaddkeywords.h"

#include "batchrunner.h"
#include "filedialogs.h"
#include "foundfilesview.h"
#include "frmview.h"
#include "messageboxes.h"
#include "tablefile.h"
#include "ui_frmaddkeywords.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>

#include <filesystem>

namespace tagmere::ui {

void frmAddKeywords::setUpTableMenu() {
    QTreeView* list = ui->ltvFoundFiles;
    auto* menu = new QMenu(list);
    menu->setObjectName(QStringLiteral("mnuFoundFiles"));
    m_exportTable = menu->addAction(QStringLiteral("Export Keywords and Figures\u2026"));
    m_exportTable->setObjectName(QStringLiteral("mnuExportTable"));
    m_applyTable = menu->addAction(QStringLiteral("Apply Values from Table\u2026"));
    m_applyTable->setObjectName(QStringLiteral("mnuApplyTable"));
    connect(m_exportTable, &QAction::triggered, this, [this] { mnuExportTable_Click(); });
    connect(m_applyTable, &QAction::triggered, this, [this] { mnuApplyTable_Click(); });

    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list, menu](const QPoint& at) {
        if (mblnSearching)
            return;
        m_exportTable->setEnabled(m_found->count() > 0);
        menu->popup(list->viewport()->mapToGlobal(at));
    });
}

void frmAddKeywords::mnuExportTable_Click() {
    if (mblnSearching)
        return;
    // Bulk exports what a Bulk run would edit; with nothing ticked, or in Single, the whole list.
    std::vector<std::string> files;
    if (ui->optBulk->isChecked())
        files = m_found->targets(true);
    if (files.empty()) {
        for (int i = 1; i <= m_found->count(); ++i)
            files.push_back(m_found->items().item(i).fullPath());
    }
    if (files.empty()) {
        MessageBoxes::show(this, plainMessage("There are no found files to export: search a folder first."));
        return;
    }
    const QString root = app::toQPath(m_searchRoot);
    const QString name = QFileInfo(root).fileName().isEmpty() ? QStringLiteral("library") : QFileInfo(root).fileName();
    const QString folder = m_tableFolder.isEmpty() ? root : m_tableFolder;
    const FileDialogs::Answer answer =
        FileDialogs::ask(this, {FileDialogs::Mode::Save, QStringLiteral("Export Keywords and Figures"),
                                QDir(folder).filePath(name + QStringLiteral(".csv")), QLatin1String(kTableFilters)});
    if (answer.path.isEmpty())
        return;
    m_tableFolder = QFileInfo(answer.path).absolutePath();

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const TableExport result =
        exportTable(m_searchRoot, files, tableFormatFor(answer.path, answer.filter), answer.path);
    QGuiApplication::restoreOverrideCursor();
    const std::string target = app::shownPath(answer.path);
    if (!result.status.ok) {
        MessageBoxes::show(this,
                           warningMessage("The table was not written: " + target + ": " + result.status.description +
                                          ". An older table of that name is left as it was."));
        return;
    }
    std::string text =
        "(" + std::to_string(result.rows) + ") row(s) were written to the table " + target + ", one per file.";
    if (result.unreadable > 0)
        text += "\r\r(" + std::to_string(result.unreadable) + ") file(s) could not be read; their rows say why.";
    MessageBoxes::show(this, result.unreadable > 0 ? warningMessage(text) : plainMessage(text));
}

void frmAddKeywords::mnuApplyTable_Click() {
    if (mblnSearching)
        return;
    const QString start = m_tableFolder.isEmpty() ? app::toQPath(m_searchRoot) : m_tableFolder;
    const FileDialogs::Answer answer =
        FileDialogs::ask(this, {FileDialogs::Mode::Open, QStringLiteral("Apply Values from Table"), start,
                                QLatin1String(kTableFilters)});
    if (answer.path.isEmpty())
        return;
    m_tableFolder = QFileInfo(answer.path).absolutePath();
    // Every table is seen in the preview before anything is asked or written.
    m_runner->previewTable(answer.path, [this](const TablePreview& preview) { applyPreviewedTable(preview); });
}

void frmAddKeywords::applyPreviewedTable(const TablePreview& preview) {
    if (mblnSearching || !m_runner->askBeforeTableRun(preview))
        return;
    bool selectedFileChanged = false;
    const std::optional<Message> report =
        m_runner->runTable(preview, {this, m_view}, [&](const BatchFileResult& result) {
            if (!result.changes() || result.writeFailed || m_globals.gstrSelectedFile.empty())
                return;
            // A row names its file by the table's folder, which may spell the found file's path another way.
            std::error_code ec;
            if (result.path == m_globals.gstrSelectedFile ||
                std::filesystem::equivalent(std::filesystem::path(result.path),
                                            std::filesystem::path(m_globals.gstrSelectedFile), ec))
                selectedFileChanged = true;
        });
    if (report)
        showAfterRun(selectedFileChanged, true, report);
}

} // namespace tagmere::ui
