#include "foundfilesview.h"

#include "app/addkeywords.h"
#include "core/headercheck.h"
#include "core/linebuffer.h"

#include <QApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeWidget>

namespace tagmere::ui {

namespace {

// One row: the texts and the check mark come from the item it shows; the date is read
// only when the row is first asked for it, as a stat per file costs more than the search.
class FoundFileRow final : public QTreeWidgetItem {
public:
    FoundFileRow(const FoundFilesView& view, FoundFilesList& items, int index)
        : m_view(view), m_items(items), m_index(index) {
        const FoundFileItem& item = items.item(index);
        setText(0, app::toQPath(item.Text));
        setText(2, app::toQPath(item.folder()));
        setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    }

    QVariant data(int column, int role) const override {
        if (column == 0 && role == Qt::CheckStateRole) {
            if (!m_view.checksShown())
                return {};
            return m_items.item(m_index).Checked ? Qt::Checked : Qt::Unchecked;
        }
        if (column == 0 && (role == Qt::DecorationRole || role == Qt::ToolTipRole)) {
            // The header is checked when the row is first shown, so a long search is not
            // held up reading every file.
            checkHeader();
            if (role == Qt::DecorationRole)
                return m_hasError ? errorIcon() : QVariant();
            return m_findings.isEmpty() ? QVariant() : QVariant(m_findings);
        }
        if (column == 1 && (role == Qt::DisplayRole || role == Qt::ToolTipRole)) {
            if (!m_dateRead) {
                std::time_t time = 0;
                if (m_items.item(m_index).modified(time))
                    m_date = localDateTimeText(time);
                m_dateRead = true;
            }
            return m_date;
        }
        return QTreeWidgetItem::data(column, role);
    }

    void setData(int column, int role, const QVariant& value) override {
        if (column == 0 && role == Qt::CheckStateRole) {
            if (value.isValid() && m_view.checksShown()) {
                m_items.item(m_index).Checked = static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked;
                emitDataChanged();
            }
            return;
        }
        QTreeWidgetItem::setData(column, role, value);
    }

    int index() const { return m_index; }
    // The file changed: check it again when it is next shown.
    void recheck() {
        m_checked = false;
        m_dateRead = false;
    }

private:
    void checkHeader() const {
        if (m_checked)
            return;
        m_checked = true;
        // The same call as the command line's check, so both give the same findings.
        const std::vector<HeaderFinding> findings = checkHeaderFile(m_items.item(m_index).fullPath()).findings;
        m_hasError = hasError(findings);
        QStringList lines;
        for (const auto& f : findings)
            lines << QStringLiteral("line %1: %2 %3: %4")
                         .arg(f.line)
                         .arg(QString::fromStdString(f.code), QLatin1String(severityText(f.severity)),
                              app::fromBytes(f.text));
        m_findings = lines.join(QLatin1Char('\n'));
    }

    static QVariant errorIcon() {
        static const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        return icon;
    }

    mutable bool m_checked = false;
    mutable bool m_hasError = false;
    mutable QString m_findings;

    const FoundFilesView& m_view;
    FoundFilesList& m_items;
    int m_index;
    mutable QString m_date;
    mutable bool m_dateRead = false;
};

// The locale's long time format without its time zone ("t", "tt"...), which the list leaves out.
QString timeFormatWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        result.append(c);
    }
    return result.trimmed();
}

} // namespace

QString localDateTimeText(std::time_t time) {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(time));
    const QLocale locale;
    QString text = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() != QTime(0, 0))
        text += QLatin1Char(' ') + locale.toString(when.time(), timeFormatWithoutZone(locale));
    return text;
}

FoundFilesView::FoundFilesView(QTreeWidget* list) : QObject(list), m_list(list), m_viewport(list->viewport()) {
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setUniformRowHeights(true);
    m_list->installEventFilter(this);
    m_viewport->installEventFilter(this);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { selectionChanged(); });
    connect(m_list, &QTreeWidget::itemClicked, this, [this] {
        if (m_pickShown)
            m_pickShown = false;
        else
            emit itemClick();
    });
}

void FoundFilesView::recheckHeaders() {
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        static_cast<FoundFileRow*>(m_list->topLevelItem(i))->recheck();
    m_list->viewport()->update();
}

void FoundFilesView::clear() {
    m_settingSelection = true;
    m_list->clear();
    m_settingSelection = false;
    m_items.clear();
}

void FoundFilesView::addRow(int index) {
    m_list->addTopLevelItem(new FoundFileRow(*this, m_items, index));
}

QTreeWidgetItem* FoundFilesView::row(int index) const {
    return m_list->topLevelItem(index - 1);
}

void FoundFilesView::setChecksShown(bool shown) {
    m_checksShown = shown;
    repaintRows();
}

void FoundFilesView::checkAll() {
    m_items.checkAll();
    repaintRows();
}

void FoundFilesView::uncheckAll() {
    m_items.uncheckAll();
    repaintRows();
}

void FoundFilesView::repaintRows() {
    // The rows read their check marks from the items: only the picture needs renewing.
    m_list->viewport()->update();
}

void FoundFilesView::deselectAll() {
    m_settingSelection = true;
    m_list->clearSelection();
    m_settingSelection = false;
    m_items.deselectAll();
}

void FoundFilesView::selectionChanged() {
    m_items.deselectAll();
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    for (const QTreeWidgetItem* item : selected) {
        if (const auto* row = dynamic_cast<const FoundFileRow*>(item))
            m_items.setSelected(row->index(), true);
    }
    if (m_settingSelection || selected.isEmpty())
        return;
    if (QGuiApplication::mouseButtons() != Qt::NoButton)
        m_pickShown = true;
    emit itemClick();
}

std::vector<std::string> FoundFilesView::targets(bool bulk) const {
    std::vector<std::string> paths;
    for (int i = 1; i <= m_items.count(); ++i) {
        const FoundFileItem& item = m_items.item(i);
        if (bulk ? item.Checked : item.Selected)
            paths.push_back(item.fullPath());
    }
    return paths;
}

bool FoundFilesView::checkBoxHit(const QPoint& position, QTreeWidgetItem*& hit) const {
    hit = m_list->itemAt(position);
    if (!hit || !m_checksShown)
        return false;
    QStyleOptionViewItem option;
    option.initFrom(m_list->viewport());
    option.rect = m_list->visualItemRect(hit);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = hit->text(0);
    option.font = m_list->font();
    option.checkState = hit->checkState(0);
    const QRect box = m_list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, m_list);
    return box.contains(position);
}

bool FoundFilesView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Ctrl alone: Ctrl+Shift+A and Ctrl+Alt+A do not count.
        if (key->key() == Qt::Key_A && key->modifiers() == Qt::ControlModifier)
            emit selectAllKey();
        return false;
    }
    if (watched != m_viewport)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        m_pickShown = false;
        QTreeWidgetItem* hit = nullptr;
        if (mouse->button() == Qt::LeftButton && checkBoxHit(mouse->position().toPoint(), hit)) {
            // Ticking a file is not picking it: the row does not become current.
            hit->setCheckState(0, hit->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            m_checkClick = true;
            return true;
        }
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (m_checkClick) {
            m_checkClick = false;
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace tagmere::ui
