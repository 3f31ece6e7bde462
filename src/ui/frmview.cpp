#include "frmview.h"

#include "ui_frmview.h"

namespace tagmere::ui {

frmView::frmView(QWidget* owner) : QWidget(owner, Qt::Window), ui(std::make_unique<Ui::frmView>()) {
    ui->setupUi(this);
    // The file name is for display only and looks it.
    ui->txtfilename->setBackgroundRole(QPalette::Button);
    QPalette palette = ui->txtfilename->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    ui->txtfilename->setPalette(palette);
    ui->cmdSave->setEnabled(false);
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

void frmView::clearView() {
    ui->txtView->clear();
    ui->txtfilename->clear();
    ui->cmdSave->setEnabled(false);
}

} // namespace tagmere::ui
