// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls.h"

#include "files/platform.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QStorageInfo>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace tagmere::ui {

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent), m_defaultMaxVisible(maxVisibleItems()) {
    // A list that drops below the combo with a settable number of rows, whatever the style.
    setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
}

void ComboBox::setDropDownRows(int rows) {
    m_rows = rows;
    setMaxVisibleItems(rows > 0 ? rows : m_defaultMaxVisible);
}

int ComboBox::dropDownRowHeight() const {
    const int hint = view()->sizeHintForRow(0);
    if (hint > 0)
        return hint;
    return view()->fontMetrics().height() + 2;
}

void ComboBox::showPopup() {
    emit dropDown();
    QComboBox::showPopup();
}

WrappingButton::WrappingButton(QWidget* parent) : QPushButton(parent) {}

void WrappingButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    area.adjust(2, 0, -2, 0);
    if (isDown())
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, caption);
}

namespace {
constexpr int kPathRole = Qt::UserRole;

QString cleanFolder(const QString& folder) {
    QString clean = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    if (clean.size() > 1 && clean.endsWith(QLatin1Char('/')) && !QDir(clean).isRoot())
        clean.chop(1);
    return clean;
}
} // namespace

FolderListBox::FolderListBox(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    header()->hide();
    setRootIsDecorated(false);
    setIndentation(12);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setExpandsOnDoubleClick(false);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { openItem(item); });
}

void FolderListBox::openItem(QTreeWidgetItem* item) {
    if (!item)
        return;
    // Opening refills the list, which deletes the clicked item: do it once the click is over.
    const QString folder = item->data(0, kPathRole).toString();
    QMetaObject::invokeMethod(
        this, [this, folder] { setPath(folder); }, Qt::QueuedConnection);
}

bool FolderListBox::setPath(const QString& folder) {
    if (folder.isEmpty())
        return false;
    const QString clean = cleanFolder(QFileInfo(folder).absoluteFilePath());
    const QFileInfo info(clean);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;
    const bool changed = clean != m_path;
    m_path = clean;
    fill();
    if (changed)
        emit pathChanged();
    return true;
}

QStringList FolderListBox::subfolders() const {
    QStringList result;
    if (m_path.isEmpty())
        return result;
    const QDir dir(m_path);
    const QFileInfoList entries = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries)
        result.append(cleanFolder(entry.absoluteFilePath()));
    return result;
}

void FolderListBox::fill() {
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The chain from the root down to the current folder.
    QStringList chain;
    QDir dir(m_path);
    chain.prepend(m_path);
    while (!dir.isRoot() && dir.cdUp())
        chain.prepend(cleanFolder(dir.absolutePath()));

    QTreeWidgetItem* parentItem = nullptr;
    QTreeWidgetItem* current = nullptr;
    for (const QString& folder : chain) {
        // A root is shown as the system writes it: "C:\\" on Windows, "/" here.
        const QString name = QDir(folder).isRoot() ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(this);
        item->setText(0, name);
        item->setIcon(0, openIcon);
        item->setData(0, kPathRole, folder);
        item->setExpanded(true);
        parentItem = item;
        current = item;
    }
    for (const QString& sub : subfolders()) {
        auto* item = new QTreeWidgetItem(current);
        item->setText(0, QFileInfo(sub).fileName());
        item->setIcon(0, closedIcon);
        item->setData(0, kPathRole, sub);
    }
    expandAll();
    if (current) {
        setCurrentItem(current);
        scrollToItem(current);
    }
}

namespace {

// Drive letters on Windows, the mount point elsewhere.
QString driveText(const QString& root) {
    return QString::fromStdString(tagmere::platform::driveLabel(root.toStdString()));
}

} // namespace

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    refresh();
    connect(this, &QComboBox::activated, this, [this](int) { emit driveChanged(); });
}

void DriveListBox::refresh() {
    const QSignalBlocker blocker(this);
    const QString previous = drive();
    clear();
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = cleanFolder(volume.rootPath());
        if (!QFileInfo(root).isDir() || roots.contains(root))
            continue;
        roots.append(root);
    }
    roots.sort(Qt::CaseInsensitive);
    for (const QString& root : roots)
        addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), driveText(root), root);
    const int index = findData(previous);
    setCurrentIndex(index >= 0 ? index : 0);
}

QString DriveListBox::drive() const {
    return currentData().toString();
}

QString DriveListBox::driveOf(const QString& path) {
    const QStorageInfo volume(path);
    if (!volume.isValid())
        return {};
    return cleanFolder(volume.rootPath());
}

bool DriveListBox::setDriveOf(const QString& path) {
    const QString root = driveOf(path);
    if (root.isEmpty())
        return false;
    const QSignalBlocker blocker(this);
    int index = findData(root);
    if (index < 0) {
        addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), driveText(root), root);
        index = count() - 1;
    }
    setCurrentIndex(index);
    return true;
}

namespace {
QString captionOf(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (const auto* box = qobject_cast<const QCheckBox*>(widget))
        return box->text();
    if (const auto* option = qobject_cast<const QRadioButton*>(widget))
        return option->text();
    return {};
}

// The widest the control may become: up to the next control on its row, or its container's edge.
int captionRoom(const QWidget* control) {
    const QWidget* container = control->parentWidget();
    const QRect place = control->geometry();
    int limit = container->contentsRect().right() - 2;
    for (const QObject* object : container->children()) {
        const auto* other = qobject_cast<const QWidget*>(object);
        // Hidden neighbours count too: they may show over the caption later.
        if (!other || other == control || other->isWindow())
            continue;
        const QRect otherPlace = other->geometry();
        const bool sameRow = otherPlace.top() < place.bottom() && otherPlace.bottom() > place.top();
        if (sameRow && otherPlace.left() > place.left())
            limit = std::min(limit, otherPlace.left() - 3);
    }
    return std::max(place.width(), limit - place.left() + 1);
}

QList<QWidget*> captionControls(QWidget* form) {
    QList<QWidget*> result;
    for (QWidget* control : form->findChildren<QWidget*>()) {
        if (!control->isWindow() && !captionOf(control).isEmpty())
            result.append(control);
    }
    return result;
}

void fitCaption(QWidget* control) {
    const QSize hint = control->sizeHint();
    QRect place = control->geometry();
    if (hint.height() > place.height())
        place.setHeight(hint.height());
    if (hint.width() > place.width())
        place.setWidth(std::min(hint.width(), captionRoom(control)));
    control->setGeometry(place);
}
} // namespace

void fitCaptions(QWidget* form) {
    for (QWidget* control : captionControls(form))
        fitCaption(control);
}

double fitFormFont(QWidget* form, double largest, double smallest) {
    const QList<QWidget*> controls = captionControls(form);
    QFont font = form->font();
    double size = largest;
    for (; size > smallest; size -= 0.25) {
        font.setPointSizeF(size);
        form->setFont(font);
        const bool fits = std::all_of(controls.begin(), controls.end(), [](const QWidget* control) {
            return control->sizeHint().width() <= captionRoom(control);
        });
        if (fits)
            break;
    }
    if (size < smallest) {
        size = smallest;
        font.setPointSizeF(size);
        form->setFont(font);
    }
    fitCaptions(form);
    return size;
}

} // namespace tagmere::ui
