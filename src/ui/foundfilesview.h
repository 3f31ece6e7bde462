#pragma once

#include "search/foundfiles.h"

#include <QObject>
#include <QString>

#include <ctime>
#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace tagmere::ui {

// The found-files list ltvFoundFiles as a view of a FoundFilesList: row n of the widget
// is item n of the list. The items hold the check marks; the widget's selection is
// mirrored into their Selected flags. The rows' check boxes show only while
// checksShown() (the Bulk edit mode), and a click on a check box ticks it without
// making its row current.
class FoundFilesView final : public QObject {
    Q_OBJECT
public:
    explicit FoundFilesView(QTreeWidget* list);

    QTreeWidget* widget() const { return m_list; }
    FoundFilesList& items() { return m_items; }
    const FoundFilesList& items() const { return m_items; }
    int count() const { return m_items.count(); }

    // Empties the list and the widget.
    void clear();
    // Shows item `index` of items() as the widget's next row (the search adds to items() first).
    void addRow(int index);
    // Rows show a warning icon, and the findings as their tool tip, for files whose header
    // has errors. After a run has rewritten files, their headers are checked again.
    void recheckHeaders();

    void setChecksShown(bool shown);
    bool checksShown() const { return m_checksShown; }
    void checkAll();
    void uncheckAll();
    void deselectAll();

    // The row of item `index` (1-based), or nullptr.
    QTreeWidgetItem* row(int index) const;
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
    void repaintRows();
    void selectionChanged();
    bool checkBoxHit(const QPoint& position, QTreeWidgetItem*& hit) const;

    QTreeWidget* m_list;
    // Kept apart: events reach the filter while the list is being destroyed, when its
    // viewport() may no longer be called.
    QWidget* m_viewport;
    FoundFilesList m_items;
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
