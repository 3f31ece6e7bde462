// SPDX-License-Identifier: GPL-3.0-or-later
#include "previewdialog.h"

#include "app/addkeywords.h"
#include "format/diff.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace tagmere::ui {

namespace {

// A file whose every line changes gives a diff as long as the file; the dialog shows its start.
constexpr int kMaxDiffChars = 200'000;

// File text is single-byte: every byte maps to one character. The carriage returns of
// CR LF lines would show as extra breaks in a text box, so lines break at LF alone.
QString diffText(const std::string& diff) {
    QString text = app::fromBytes(diff);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.size() > kMaxDiffChars) {
        text.truncate(kMaxDiffChars);
        text += QStringLiteral("\n... (the rest of this file's changes is not shown)\n");
    }
    return text;
}

} // namespace

PreviewDialog::PreviewDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("Preview"));
    setWindowModality(Qt::WindowModal);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("labPreviewSummary"));
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("labPreviewNote"));
    m_note->setWordWrap(true);
    m_note->hide();
    m_files = new QListWidget(this);
    m_files->setObjectName(QStringLiteral("lstPreviewFiles"));
    m_diff = new QPlainTextEdit(this);
    m_diff->setObjectName(QStringLiteral("txtPreviewDiff"));
    m_diff->setReadOnly(true);
    m_diff->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_diff->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_files);
    splitter->addWidget(m_diff);
    splitter->setStretchFactor(1, 3);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_note);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_buttons);
    resize(760, 560);
    connect(m_files, &QListWidget::currentRowChanged, this, &PreviewDialog::showFile);
}

void PreviewDialog::addFile(const BatchFileResult& file) {
    const QString path = app::shownQPath(file.path);
    if (file.readFailed) {
        m_failed.push_back({QStringLiteral("could not be read: ") + path,
                            QStringLiteral("This file could not be read in full; a run leaves it as it is.")});
    } else if (file.refused) {
        m_refused.push_back({QStringLiteral("would be refused: ") + path,
                             QStringLiteral("A run leaves this file as it is: ") + app::fromBytes(file.reason)});
    } else if (file.before != file.after) {
        m_changed.push_back(
            {QStringLiteral("would change: ") + path, diffText(previewDiff(file.path, file.before, file.after))});
    } else {
        m_unchanged.push_back(
            {QStringLiteral("unchanged: ") + path, QStringLiteral("Nothing in this file would change.")});
    }
}

void PreviewDialog::finish(const BatchOutcome& outcome) {
    m_entries = std::move(m_changed);
    const size_t changed = m_entries.size();
    m_entries.insert(m_entries.end(), m_refused.begin(), m_refused.end());
    m_entries.insert(m_entries.end(), m_unchanged.begin(), m_unchanged.end());
    m_entries.insert(m_entries.end(), m_failed.begin(), m_failed.end());

    QString text = QStringLiteral("%1 file(s) would change, %2 would be refused, %3 would not change")
                       .arg(changed)
                       .arg(m_refused.size())
                       .arg(m_unchanged.size());
    if (!m_failed.empty())
        text += QStringLiteral(", %1 could not be read").arg(m_failed.size());
    if (outcome.fileCount == 0)
        text = QStringLiteral("No file is selected for the run");
    text += QStringLiteral(". Nothing has been written.");
    m_summary->setText(text);
    m_refused.clear();
    m_unchanged.clear();
    m_failed.clear();

    m_files->clear();
    for (const auto& entry : m_entries)
        m_files->addItem(entry.label);
    if (!m_entries.empty())
        m_files->setCurrentRow(0);
}

QString PreviewDialog::summary() const {
    return m_summary->text();
}

void PreviewDialog::setNote(const QString& note) {
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}

QString PreviewDialog::note() const {
    return m_note->text();
}

void PreviewDialog::offerToGoOn(const QString& label) {
    QPushButton* button = m_buttons->addButton(label, QDialogButtonBox::AcceptRole);
    button->setObjectName(QStringLiteral("cmdPreviewGoOn"));
    // Enter must not write by accident: the preview is for reading.
    button->setAutoDefault(false);
}

void PreviewDialog::showFile(int row) {
    if (row >= 0 && static_cast<size_t>(row) < m_entries.size())
        m_diff->setPlainText(m_entries[static_cast<size_t>(row)].detail);
    else
        m_diff->clear();
}

} // namespace tagmere::ui
