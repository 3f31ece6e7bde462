// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "keywords/keywordlist.h"
#include "keywords/keywordtree.h"

#include <QObject>

#include <array>
#include <functional>

class QColor;
class QTreeWidget;
class QTreeWidgetItem;

namespace tagmere::ui {

// The three keyword trees on screen. Builds their items from the model, repaints ticks,
// fonts and colours, and turns the user's ticks, selections and Delete key into changes
// of the model.
class KeywordTreesView final : public QObject {
    Q_OBJECT
public:
    using Views = std::array<QTreeWidget*, kTreeCount>;
    // `model` and `list` outlive this view; `colors` gives the window's colours of the moment.
    KeywordTreesView(const Views& views, KeywordTrees& model, KeywordList& list, std::function<SelectColors()> colors,
                     QObject* parent);

    const Views& views() const { return m_views; }
    // The items built again from the model.
    void showAll();
    // Only the ticks, fonts, colours and selection brought up to date.
    void paintAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show(int index);
    void paint(int index);
    void paintItem(QTreeWidgetItem* item, const TreeNode& node) const;
    void nodeCheck(int index, QTreeWidgetItem* item);
    void selectionChanged(int index);

    Views m_views;
    KeywordTrees& m_model;
    KeywordList& m_list;
    std::function<SelectColors()> m_colors;
    // Set while the items are filled here: their changes are then no clicks.
    bool m_showing = false;
};

// A colour of the settings (red + 256 x green + 65536 x blue) as the widgets take it.
QColor toQColor(Color color);

} // namespace tagmere::ui
