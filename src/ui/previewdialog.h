// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/batch.h"

#include <QDialog>

#include <vector>

class QDialogButtonBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;

namespace tagmere::ui {

// Shows what a run would change, file by file, before anything is written: the files
// that would change (each with a unified diff of its text), the files that would not,
// and the files that could not be read. Files are added as a dry run goes; only their
// diffs are kept, not their texts.
class PreviewDialog final : public QDialog {
    Q_OBJECT
public:
    explicit PreviewDialog(QWidget* parent = nullptr);

    void addFile(const BatchFileResult& file);
    // Fills the list and the summary once every file is in.
    void finish(const BatchOutcome& outcome);

    // The summary line, e.g. "2 file(s) would change, 1 would not change. Nothing has been written."
    QString summary() const;

    // Lines shown under the summary (what the files do not tell, such as a damaged table).
    void setNote(const QString& note);
    QString note() const;
    // Adds a button `label` that accepts the dialog, for a caller that goes on from the
    // preview to the run (the question still comes first). Without it the preview only closes.
    void offerToGoOn(const QString& label);

private:
    void showFile(int row);

    struct Entry {
        QString label;
        QString detail; // the diff, or why nothing would change
    };
    std::vector<Entry> m_changed, m_refused, m_unchanged, m_failed;
    std::vector<Entry> m_entries; // in list order
    QLabel* m_summary;
    QLabel* m_note;
    QDialogButtonBox* m_buttons;
    QListWidget* m_files;
    QPlainTextEdit* m_diff;
};

} // namespace tagmere::ui
