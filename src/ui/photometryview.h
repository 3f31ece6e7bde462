// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/settings.h"
#include "format/figures.h"

#include <QWidget>

#include <string>

class QTreeWidget;

namespace tagmere::ui {

// The polar candela diagram of one file: the two planes in two colours, nadir down, rings
// with round values; or the reason there is no curve. A right click saves it as PNG or SVG.
class PhotometryDiagram final : public QWidget {
    Q_OBJECT
public:
    explicit PhotometryDiagram(QWidget* parent = nullptr);

    // What to draw; `problem` is shown instead when it is not empty.
    void setFigures(const FiguresResult& result);
    void setMessage(const QString& message);
    const QString& message() const { return m_message; }

    // The drawing at `size` pixels, as the widget paints it.
    bool savePng(const QString& path, QSize size) const;
    bool saveSvg(const QString& path, QSize size) const;

    QSize sizeHint() const override { return {380, 380}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    FiguresResult m_result;
    QString m_message;
};

// The window with the diagram of the current file and its figures under it. Owned by the main
// window, which tells it the current file; it keeps its place in the settings.
class frmPhotometry final : public QWidget {
    Q_OBJECT
public:
    frmPhotometry(QWidget* owner, app::Settings& settings);

    // The file to show from now on (empty for none); read when the window is in view.
    void setFile(const std::string& path);
    // Reads the current file again (after it was saved).
    void refresh();

    PhotometryDiagram* diagram() const { return m_diagram; }
    QTreeWidget* figures() const { return m_figures; }

signals:
    // The user closed the window.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void savePlace();

    app::Settings& m_settings;
    std::string m_path;
    PhotometryDiagram* m_diagram = nullptr;
    QTreeWidget* m_figures = nullptr;
};

} // namespace tagmere::ui
