// SPDX-License-Identifier: GPL-3.0-or-later
#include "foundfilesview.h"

#include "app/addkeywords.h"
#include "files/readfile.h"
#include "format/headercheck.h"
#include "format/linebuffer.h"

#include <QApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeView>

namespace tagmere::ui {

namespace {

constexpr int kColumns = 3;

QIcon errorIcon() {
    static const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    return icon;
}

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

// ---- The model

FoundFilesModel::FoundFilesModel(const FoundFilesView& view, FoundFilesList& items, QObject* parent)
    : QAbstractTableModel(parent), m_view(view), m_items(items) {}

int FoundFilesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shown;
}

int FoundFilesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant FoundFilesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == 0)
        return QStringLiteral("Name");
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags FoundFilesModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}

const FoundFilesModel::HeaderState& FoundFilesModel::header(int row) const {
    auto found = m_headers.find(row);
    if (found != m_headers.end())
        return found->second;
    // The header is checked when the row is first shown, so a long search is not held up
    // reading every file. The same call as the command line's check gives the same findings.
    HeaderState state;
    const std::vector<HeaderFinding> findings = checkHeaderFile(m_items.item(row + 1).fullPath()).findings;
    state.hasError = hasError(findings);
    QStringList lines;
    for (const auto& f : findings)
        lines << QStringLiteral("line %1: %2 %3: %4")
                     .arg(f.line)
                     .arg(QString::fromStdString(f.code), QLatin1String(severityText(f.severity)),
                          app::fromBytes(f.text));
    state.findings = lines.join(QLatin1Char('\n'));
    return m_headers.emplace(row, std::move(state)).first->second;
}

QString FoundFilesModel::toolTip(int row) const {
    // Same-named files in different folders look alike in the list: the tip tells them apart.
    const FoundFileItem& item = m_items.item(row + 1);
    QString text = app::shownQPath(item.fullPath());
    std::time_t time = 0;
    if (item.modified(time))
        text += QLatin1Char('\n') + localDateTimeText(time);
    const QString& findings = header(row).findings;
    if (!findings.isEmpty())
        text += QStringLiteral("\n\n") + findings;
    return text;
}

QVariant FoundFilesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_shown)
        return {};
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: {
        const FoundFileItem& item = m_items.item(row + 1);
        if (column == 0)
            return app::toQPath(item.Text);
        if (column == 2)
            return app::shownQPath(item.folder());
        // The date is read only when a row is first shown: a stat per file costs more than the search.
        std::time_t time = 0;
        return item.modified(time) ? localDateTimeText(time) : QString();
    }
    case Qt::CheckStateRole:
        if (column != 0 || !m_view.checksShown())
            return {};
        return m_items.item(row + 1).Checked ? Qt::Checked : Qt::Unchecked;
    case Qt::DecorationRole:
        if (column != 0)
            return {};
        return header(row).hasError ? QVariant(errorIcon()) : QVariant();
    case Qt::ToolTipRole:
        return toolTip(row);
    default:
        return {};
    }
}

bool FoundFilesModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole || !m_view.checksShown())
        return false;
    m_items.item(index.row() + 1).Checked = static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

void FoundFilesModel::showAdded() {
    const int count = m_items.count();
    if (count <= m_shown)
        return;
    beginInsertRows({}, m_shown, count - 1);
    m_shown = count;
    endInsertRows();
}

void FoundFilesModel::reset() {
    beginResetModel();
    m_items.clear();
    m_shown = 0;
    m_headers.clear();
    endResetModel();
}

void FoundFilesModel::recheck() {
    m_headers.clear();
    for (int i = 1; i <= m_shown; ++i)
        m_items.item(i).forgetModified();
    refreshAll();
}

void FoundFilesModel::refreshAll() {
    if (m_shown > 0)
        emit dataChanged(index(0, 0), index(m_shown - 1, kColumns - 1));
}

// ---- The view

FoundFilesView::FoundFilesView(QTreeView* list)
    : QObject(list), m_list(list), m_viewport(list->viewport()), m_model(new FoundFilesModel(*this, m_items, this)) {
    m_list->setModel(m_model);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setUniformRowHeights(true);
    m_list->setRootIsDecorated(false);
    m_list->installEventFilter(this);
    m_viewport->installEventFilter(this);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { selectionChanged(); });
    connect(m_list, &QTreeView::clicked, this, [this] {
        if (m_pickShown)
            m_pickShown = false;
        else
            emit itemClick();
    });
}

void FoundFilesView::recheckHeaders() {
    m_model->recheck();
}

void FoundFilesView::clear() {
    m_settingSelection = true;
    m_model->reset();
    m_settingSelection = false;
}

void FoundFilesView::showAdded() {
    m_model->showAdded();
}

void FoundFilesView::setChecksShown(bool shown) {
    m_checksShown = shown;
    m_model->refreshAll();
}

void FoundFilesView::checkAll() {
    m_items.checkAll();
    m_model->refreshAll();
}

void FoundFilesView::uncheckAll() {
    m_items.uncheckAll();
    m_model->refreshAll();
}

void FoundFilesView::deselectAll() {
    m_settingSelection = true;
    m_list->clearSelection();
    m_settingSelection = false;
    m_items.deselectAll();
}

void FoundFilesView::selectionChanged() {
    m_items.deselectAll();
    const QModelIndexList selected = m_list->selectionModel()->selectedRows();
    for (const QModelIndex& index : selected)
        m_items.setSelected(index.row() + 1, true);
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

bool FoundFilesView::checkBoxHit(const QPoint& position, QModelIndex& hit) const {
    hit = m_list->indexAt(position).siblingAtColumn(0);
    if (!hit.isValid() || !m_checksShown)
        return false;
    QStyleOptionViewItem option;
    option.initFrom(m_list->viewport());
    option.rect = m_list->visualRect(hit);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = hit.data().toString();
    option.font = m_list->font();
    option.checkState = static_cast<Qt::CheckState>(hit.data(Qt::CheckStateRole).toInt());
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
        QModelIndex hit;
        if (mouse->button() == Qt::LeftButton && checkBoxHit(mouse->position().toPoint(), hit)) {
            // Ticking a file is not picking it: the row does not become current.
            const bool checked = hit.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            m_model->setData(hit, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
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
