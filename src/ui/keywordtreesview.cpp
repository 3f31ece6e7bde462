// SPDX-License-Identifier: GPL-3.0-or-later
#include "keywordtreesview.h"

#include "app/addkeywords.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QTreeWidget>

namespace tagmere::ui {

namespace {
constexpr int kNodeRole = Qt::UserRole;

long nodeOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kNodeRole).toLongLong() : 0;
}

// The trees are narrow and long values are cut off with "..." there: the tool tip shows
// the whole text of a value that does not fit, and nothing for one that does.
class CutOffTextTip final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || index.data(Qt::ToolTipRole).isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QRect room = view->style()
                               ->subElementRect(QStyle::SE_ItemViewItemText, &item, view)
                               .intersected(view->viewport()->rect());
        // The style keeps a margin on either side of the text.
        const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        if (item.fontMetrics.horizontalAdvance(item.text) + 2 * margin > room.width()) {
            QToolTip::showText(event->globalPos(), item.text, view->viewport(), option.rect);
            return true;
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
};
} // namespace

QColor toQColor(Color color) {
    return QColor(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
                  static_cast<int>((color >> 16) & 0xFFu));
}

KeywordTreesView::KeywordTreesView(const Views& views, KeywordTrees& model, KeywordList& list,
                                   std::function<SelectColors()> colors, QObject* parent)
    : QObject(parent), m_views(views), m_model(model), m_list(list), m_colors(std::move(colors)) {
    for (int i = 0; i < kTreeCount; ++i) {
        QTreeWidget* tree = m_views[static_cast<size_t>(i)];
        tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
        tree->setSelectionMode(QAbstractItemView::SingleSelection);
        tree->setUniformRowHeights(true);
        tree->setItemDelegate(new CutOffTextTip(tree));
        tree->installEventFilter(this);
        connect(tree, &QTreeWidget::itemChanged, this, [this, i](QTreeWidgetItem* item, int) {
            if (!m_showing)
                nodeCheck(i, item);
        });
        connect(tree, &QTreeWidget::itemSelectionChanged, this, [this, i] {
            if (!m_showing)
                selectionChanged(i);
        });
    }
}

void KeywordTreesView::showAll() {
    for (int i = 0; i < kTreeCount; ++i)
        show(i);
}

void KeywordTreesView::paintAll() {
    for (int i = 0; i < kTreeCount; ++i)
        paint(i);
}

bool KeywordTreesView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Delete)
        return QObject::eventFilter(watched, event);
    for (int i = 0; i < kTreeCount; ++i) {
        if (watched != m_views[static_cast<size_t>(i)])
            continue;
        selectionChanged(i);
        if (m_model.deleteSelected(i, m_list) > 0)
            show(i);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void KeywordTreesView::nodeCheck(int index, QTreeWidgetItem* item) {
    const long n = nodeOf(item);
    const KeywordTree& tree = m_model.tree(index);
    if (n < 1 || n > tree.count())
        return;
    const bool checked = item->checkState(0) == Qt::Checked;
    if (checked == tree.node(n).Checked)
        return; // not a tick: some other change of the item
    m_model.nodeCheck(index, n, checked, m_colors());
    paint(index);
}

void KeywordTreesView::selectionChanged(int index) {
    const QList<QTreeWidgetItem*> selected = m_views[static_cast<size_t>(index)]->selectedItems();
    m_model.select(index, selected.isEmpty() ? 0 : nodeOf(selected.front()));
}

void KeywordTreesView::paintItem(QTreeWidgetItem* item, const TreeNode& node) const {
    item->setText(0, app::fromBytes(node.Text));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, node.Checked ? Qt::Checked : Qt::Unchecked);
    QFont font = item->treeWidget()->font();
    font.setBold(node.Bold);
    item->setFont(0, font);
    if (node.ForeColor)
        item->setForeground(0, toQColor(*node.ForeColor));
    else
        item->setData(0, Qt::ForegroundRole, QVariant());
    if (node.BackColor)
        item->setBackground(0, toQColor(*node.BackColor));
    else
        item->setData(0, Qt::BackgroundRole, QVariant());
}

void KeywordTreesView::show(int index) {
    QTreeWidget* view = m_views[static_cast<size_t>(index)];
    const KeywordTree& tree = m_model.tree(index);
    m_showing = true;
    // Built unseen and drawn once.
    view->setUpdatesEnabled(false);
    view->clear();
    QList<QTreeWidgetItem*> roots;
    std::vector<std::pair<QTreeWidgetItem*, long>> items;
    for (long root : tree.rootOrder()) {
        auto* rootItem = new QTreeWidgetItem;
        rootItem->setData(0, kNodeRole, static_cast<qlonglong>(root));
        items.emplace_back(rootItem, root);
        for (long child : tree.children(root)) {
            auto* childItem = new QTreeWidgetItem(rootItem);
            childItem->setData(0, kNodeRole, static_cast<qlonglong>(child));
            items.emplace_back(childItem, child);
        }
        roots.append(rootItem);
    }
    view->addTopLevelItems(roots);
    QTreeWidgetItem* selected = nullptr;
    for (const auto& [item, n] : items) {
        const TreeNode& node = tree.node(n);
        paintItem(item, node);
        item->setExpanded(node.Expanded);
        if (node.Selected)
            selected = item;
    }
    if (selected)
        view->setCurrentItem(selected);
    view->setUpdatesEnabled(true);
    m_showing = false;
}

void KeywordTreesView::paint(int index) {
    QTreeWidget* view = m_views[static_cast<size_t>(index)];
    const KeywordTree& tree = m_model.tree(index);
    m_showing = true;
    QTreeWidgetItem* selected = nullptr;
    for (QTreeWidgetItemIterator it(view); *it; ++it) {
        const long n = nodeOf(*it);
        if (n < 1 || n > tree.count())
            continue;
        const TreeNode& node = tree.node(n);
        paintItem(*it, node);
        if (node.Selected)
            selected = *it;
    }
    if (selected)
        view->setCurrentItem(selected);
    else
        view->clearSelection();
    m_showing = false;
}

} // namespace tagmere::ui
