// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/addkeywords.h"
#include "app/settings.h"
#include "files/fileinfo.h"
#include "format/linebuffer.h"

#include <QWidget>

#include <memory>
#include <string>
#include <string_view>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace Ui {
class frmView;
}

namespace tagmere::ui {

// The view / edit window: the current photometric file's whole text, editable. Owned by the
// main window and kept in front of it; loaded hidden the first time the main window needs it.
// It keeps its place and size in the settings store.
class frmView final : public QWidget {
    Q_OBJECT
public:
    // `globals` and `settings` outlive the window.
    frmView(QWidget* owner, app::AddKeywords& globals, app::Settings& settings);
    ~frmView() override;
    frmView(const frmView&) = delete;
    frmView& operator=(const frmView&) = delete;

    QPlainTextEdit* txtView() const;
    QLineEdit* txtfilename() const;
    QPushButton* cmdSave() const;

    // Shows `text` under the file name `fileName` and disables "Save". `savePath` is the file
    // the text is a complete read of, as `shownAs`, which Save may replace while it is still
    // that file; empty when the text must not be saved anywhere.
    void fill(const QString& text, const QString& fileName, const std::string& savePath,
              const FileIdentity& shownAs = {});

    // The file whose complete text the window shows (empty when it shows none).
    const std::string& shownFile() const { return m_savePath; }

    // Empties the text and the file name and disables "Save" (a new list, search or folder
    // leaves nothing to save).
    void clearView();

    // The smallest size the window may take, in pixels (3750 twips).
    static constexpr int kMinimumSide = 250;

signals:
    // Save replaced the current file with the text shown.
    void saved();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Form_Resize();
    void Form_QueryUnload();
    void cmdSave_Click();
    void txtView_Click();

    std::unique_ptr<Ui::frmView> ui;
    app::AddKeywords& m_globals;
    app::Settings& m_settings;
    // The file the text shown was read from in full; empty when Save must not write.
    std::string m_savePath;
    // That file as it was read: Save refuses once another program has changed it.
    FileIdentity m_shownAs;
};

// The text the view window shows for a file's bytes: every line, empty ones too, followed by
// CR LF when it had a line end in the file (a last line without one keeps none). Bytes become
// characters one to one (Latin-1). Empty lines are kept (earlier versions left them out), so
// that a save changes only what the user edited.
QString viewText(std::string_view bytes);

// The bytes Save writes for the view's text as its document holds it (QTextDocument::toRawText):
// the text as it stands, every line break as CR LF and characters back to single bytes (one
// beyond a byte becomes "?"). No line end is added after the last line (earlier versions
// added one), so saving an unedited view of a CR LF file writes the file's own bytes.
std::string savedBytes(const QString& rawText);

} // namespace tagmere::ui
