// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/foundfiles.h"

#include <QAbstractTableModel>
#include <QObject>
#include <QString>

#include <ctime>
#include <string>
#include <unordered_map>
#include <vector>

class QTreeView;

namespace tagmere::ui {

class FoundFilesView;

// The found files as rows of a table: row n is item n + 1 of the list. Nothing is kept
// per file beyond the item itself, except the header findings of the rows that were
// shown, so a search over a large tree costs the list and nothing more.
class FoundFilesModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    FoundFilesModel(const FoundFilesView& view, FoundFilesList& items, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Shows the items added to the list since the last call, as one block of rows.
    void showAdded();
    void reset();
    // The files changed: dates and headers are read again when next shown.
    void recheck();
    // Repaints every row (check marks shown or hidden, ticked or not).
    void refreshAll();

private:
    struct HeaderState {
        bool hasError = false;
        QString findings;
    };
    const HeaderState& header(int row) const;
    QString toolTip(int row) const;

    const FoundFilesView& m_view;
    FoundFilesList& m_items;
    int m_shown = 0;
    mutable std::unordered_map<int, HeaderState> m_headers;
};

// The found-files list ltvFoundFiles as a view of a FoundFilesList. The items hold the
// check marks; the view's selection is mirrored into their Selected flags. The rows'
// check boxes show only while checksShown() (the Bulk edit mode), and a click on a check
// box ticks it without making its row current.
class FoundFilesView final : public QObject {
    Q_OBJECT
public:
    explicit FoundFilesView(QTreeView* list);

    QTreeView* widget() const { return m_list; }
    FoundFilesModel* model() const { return m_model; }
    FoundFilesList& items() { return m_items; }
    const FoundFilesList& items() const { return m_items; }
    int count() const { return m_items.count(); }

    // Empties the list and the view.
    void clear();
    // Shows the items the search added to items() since the last call.
    void showAdded();
    // Rows show a warning icon, and the findings in their tool tip, for files whose header
    // has errors. After a run has rewritten files, their headers are checked again.
    void recheckHeaders();

    void setChecksShown(bool shown);
    bool checksShown() const { return m_checksShown; }
    void checkAll();
    void uncheckAll();
    void deselectAll();

    // Full paths of the ticked items (Bulk) or the selected ones (Single), in list order.
    std::vector<std::string> targets(bool bulk) const;

signals:
    // The user picked a row (a click, also on the current row, or the keyboard).
    void itemClick();
    // Ctrl+A was pressed in the list.
    void selectAllKey();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void selectionChanged();
    bool checkBoxHit(const QPoint& position, QModelIndex& hit) const;

    QTreeView* m_list;
    // Kept apart: events reach the filter while the list is being destroyed, when its
    // viewport() may no longer be called.
    QWidget* m_viewport;
    FoundFilesList m_items;
    FoundFilesModel* m_model;
    bool m_checksShown = false;
    // Set while the program itself changes the selection, which is no pick by the user.
    bool m_settingSelection = false;
    // A pick that changed the selection already showed its row; the click that ends it must not again.
    bool m_pickShown = false;
    // The press of a click on a check box was taken; its release must be too.
    bool m_checkClick = false;
};

// A time stamp as the list shows it: the short date of the user's locale, then the
// locale's long time without a time zone; the time is left out at exactly midnight.
QString localDateTimeText(std::time_t time);

} // namespace tagmere::ui
