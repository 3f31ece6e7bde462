// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmview.h"
#include "placement.h"

#include "layout.h"
#include "messageboxes.h"
#include "ui_frmview.h"

#include "app/addkeywords.h"
#include "files/journal.h"
#include "files/platform.h"
#include "files/safefile.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>

#include <algorithm>

namespace tagmere::ui {

namespace {
constexpr PlacementKeys kPlacement{app::Setting::OrbViewLeft, app::Setting::OrbViewTop, app::Setting::OrbViewWidth,
                                   app::Setting::OrbViewHeight};
} // namespace

QString viewText(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const RawLine& line : rawLines(bytes)) {
        text += QLatin1String(line.text.data(), static_cast<qsizetype>(line.text.size()));
        if (!line.end.empty())
            text += QLatin1String("\r\n");
    }
    return text;
}

std::string savedBytes(const QString& rawText) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(rawText.size()));
    for (qsizetype i = 0; i < rawText.size(); ++i) {
        const QChar c = rawText.at(i);
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == QLatin1Char('\n')) {
            bytes += "\r\n";
        } else if (c == QLatin1Char('\r')) {
            bytes += "\r\n";
            if (i + 1 < rawText.size() && rawText.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else {
            // The file is single-byte text: a character typed from beyond it cannot be kept.
            bytes += c.unicode() <= 0xFF ? static_cast<char>(c.unicode()) : '?';
        }
    }
    return bytes;
}

frmView::frmView(QWidget* owner, app::AddKeywords& globals, app::Settings& settings)
    : QWidget(owner, Qt::Window), ui(std::make_unique<Ui::frmView>()), m_globals(globals), m_settings(settings) {
    ui->setupUi(this);
    // The file name is for display only and looks it.
    ui->txtfilename->setBackgroundRole(QPalette::Button);
    QPalette palette = ui->txtfilename->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    ui->txtfilename->setPalette(palette);
    ui->cmdSave->setEnabled(false);
    ui->txtView->viewport()->installEventFilter(this);
    setMinimumSize(kMinimumSide, kMinimumSide);
    connect(ui->cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    Form_Load();
}

frmView::~frmView() = default;

QPlainTextEdit* frmView::txtView() const {
    return ui->txtView;
}
QLineEdit* frmView::txtfilename() const {
    return ui->txtfilename;
}
QPushButton* frmView::cmdSave() const {
    return ui->cmdSave;
}

void frmView::fill(const QString& text, const QString& fileName, const std::string& savePath,
                   const FileIdentity& shownAs) {
    ui->txtView->setPlainText(text);
    ui->txtfilename->setText(fileName);
    ui->cmdSave->setEnabled(false);
    m_savePath = savePath;
    m_shownAs = shownAs;
}

void frmView::clearView() {
    ui->txtView->clear();
    ui->txtfilename->clear();
    ui->cmdSave->setEnabled(false);
    m_savePath.clear();
    m_shownAs = {};
}

void frmView::Form_Load() {
    restorePlacement(this, m_settings, kPlacement);
}

void frmView::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
}

void frmView::Form_QueryUnload() {
    savePlacement(this, m_settings, kPlacement);
    // A closed window holds nothing: the next showing fills it anew.
    clearView();
}

void frmView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmView::Form_Resize() {
    if (isMinimized())
        return;
    if (!isMaximized() && !isFullScreen()) {
        // Resizing or restoring this window brings the main window back to its normal state.
        QWidget* owner = parentWidget();
        if (isVisible() && owner && (owner->isMinimized() || owner->isMaximized()))
            owner->showNormal();
        if (width() < kMinimumSide || height() < kMinimumSide) {
            resize(std::max(width(), kMinimumSide), std::max(height(), kMinimumSide));
            return; // the resize comes back here
        }
    }
    // Distances from the right and bottom edges as designed (514 x 435 pixels inside).
    const int w = width();
    const int h = height();
    ui->txtView->setGeometry(4, 4, w - 9, h - 30);
    ui->txtfilename->setGeometry(4, h - 23, w - 105, ui->txtfilename->height());
    ui->cmdSave->setGeometry(w - 90, h - 23, ui->cmdSave->width(), ui->cmdSave->height());
}

bool frmView::eventFilter(QObject* watched, QEvent* event) {
    // The event type first: during destruction the text box may no longer be asked for its viewport.
    if (event->type() == QEvent::MouseButtonPress && watched == ui->txtView->viewport())
        txtView_Click();
    return QWidget::eventFilter(watched, event);
}

void frmView::txtView_Click() {
    // Only a text read in full from the current file may be written back over it.
    if (!m_savePath.empty())
        ui->cmdSave->setEnabled(true);
}

void frmView::cmdSave_Click() {
    const QString text = ui->txtView->document()->toRawText();
    if (!m_savePath.empty() && m_savePath == m_globals.gstrSelectedFile && !text.isEmpty()) {
        // A save is a run of its own in the journal, so Undo Last Run can take it back.
        const std::string journalFolder = defaultJournalFolder();
        RunJournal journal(journalFolder, "View / Edit save of " + m_savePath);
        const Status status = replaceFile(m_savePath, savedBytes(text), m_shownAs, &journal);
        journal.close();
        setKeptRuns(journalFolder, app::runsKept(m_settings));
        pruneRuns(journalFolder, app::runsKept(m_settings));
        if (!status.ok) {
            // Save stays enabled so the user can try again, or copy the text elsewhere first.
            const std::string why = status.description == platform::kChangedAfterRead
                                        ? "the file changed on disk after it was shown; it was not saved. Click "
                                          "the file to show it again."
                                        : status.description;
            MessageBoxes::show(this, plainMessage("Unable to perform edit: " + m_savePath + ": " + why));
            return;
        }
        // The main window shows the file again, this window too; the user stays where they were.
        const int cursor = ui->txtView->textCursor().position();
        const int top = ui->txtView->verticalScrollBar()->value();
        const int left = ui->txtView->horizontalScrollBar()->value();
        emit saved();
        QTextCursor place = ui->txtView->textCursor();
        place.setPosition(std::min(cursor, ui->txtView->document()->characterCount() - 1));
        ui->txtView->setTextCursor(place);
        ui->txtView->verticalScrollBar()->setValue(top);
        ui->txtView->horizontalScrollBar()->setValue(left);
    }
    ui->cmdSave->setEnabled(false);
}

} // namespace tagmere::ui
