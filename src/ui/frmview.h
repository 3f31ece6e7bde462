#pragma once

#include <QWidget>

#include <memory>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace Ui {
class frmView;
}

namespace tagmere::ui {

// The view / edit window: the current photometric file's whole text, editable. Owned by the
// main window and kept in front of it; loaded hidden the first time the main window needs it.
class frmView final : public QWidget {
    Q_OBJECT
public:
    explicit frmView(QWidget* owner);
    ~frmView() override;

    QPlainTextEdit* txtView() const;
    QLineEdit* txtfilename() const;
    QPushButton* cmdSave() const;

    // Empties the text and the file name and disables "Save" (a new list, search or folder
    // leaves nothing to save).
    void clearView();

private:
    std::unique_ptr<Ui::frmView> ui;
};

} // namespace tagmere::ui
