// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QPushButton>
#include <QTreeWidget>

// Small widgets that stand for the platform controls the main window is drawn with.
namespace tagmere::ui {

// A drop-down list that tells before its list opens (dropDown), so the window can size the
// list; setDropDownRows() then fixes how many rows the open list shows.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);

    // Rows the list shows when it opens; 0 leaves the toolkit's own choice.
    void setDropDownRows(int rows);
    // The height of one row of the open list, in pixels.
    int dropDownRowHeight() const;

    void showPopup() override;

signals:
    void dropDown();

private:
    int m_defaultMaxVisible;
    int m_rows = 0;
};

// A push button whose caption wraps onto several lines, for long captions on a tall button.
class WrappingButton : public QPushButton {
    Q_OBJECT
public:
    explicit WrappingButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The folder list: the current folder with the folders above it and, beneath it, its
// subfolders by name. Double-click opens a folder, which makes it the current folder.
class FolderListBox : public QTreeWidget {
    Q_OBJECT
public:
    explicit FolderListBox(QWidget* parent = nullptr);

    // The current folder, with "/" separators and no trailing "/" except on a root.
    QString path() const { return m_path; }
    // Makes `folder` current; false (and nothing changes) when it is not a readable folder.
    // Emits pathChanged when the folder changes.
    bool setPath(const QString& folder);
    // Full paths of the current folder's subfolders, ascending by name (hidden ones left out).
    QStringList subfolders() const;

signals:
    void pathChanged();

private:
    void fill();
    void openItem(QTreeWidgetItem* item);

    QString m_path;
};

// The drive list: the roots of the mounted volumes.
class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveListBox(QWidget* parent = nullptr);

    // The root of the current drive.
    QString drive() const;
    // Makes the drive holding `path` current without running driveChanged; false when
    // no mounted volume holds it.
    bool setDriveOf(const QString& path);
    // The root of the mounted volume holding `path` (empty when none).
    static QString driveOf(const QString& path);
    // Re-reads the mounted volumes.
    void refresh();

signals:
    // The user picked a drive.
    void driveChanged();
};

// Makes the captions of the labels, check boxes and option buttons on `form` readable in
// the font in use: a caption taller than its control grows the control downwards, one
// wider than its control widens it to the right, up to the next control on its row (or
// its container's edge). Places are otherwise kept.
void fitCaptions(QWidget* form);

// Gives `form` the largest font size from `largest` down to `smallest` points (in quarter
// points) at which every caption fits beside its neighbours, then fits the captions.
// Returns the size chosen.
double fitFormFont(QWidget* form, double largest, double smallest);

} // namespace tagmere::ui
