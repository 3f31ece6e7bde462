// SPDX-License-Identifier: GPL-3.0-or-later
#include "photometryview.h"
#include "placement.h"

#include "layout.h"
#include "messageboxes.h"

#include "app/addkeywords.h"
#include "files/readfile.h"
#include "format/linebuffer.h"
#include "format/photometry.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace tagmere::ui {

namespace {

constexpr PlacementKeys kPlacement{app::Setting::OrbPhotometryLeft, app::Setting::OrbPhotometryTop,
                                   app::Setting::OrbPhotometryWidth, app::Setting::OrbPhotometryHeight};
constexpr double kPi = 3.14159265358979323846;
const QColor kPlaneColors[2] = {QColor(0xc0, 0x20, 0x20), QColor(0x20, 0x50, 0xc0)};
const QColor kGrid(0xb0, 0xb0, 0xb0);
const QColor kInk(0x20, 0x20, 0x20);

// The few shapes the diagram is made of, drawn on a painter or written as SVG, so the picture
// saved is the picture shown.
class Canvas {
public:
    enum class Anchor { Left, Centre, Right };
    virtual ~Canvas() = default;
    virtual void circle(QPointF centre, double radius, const QColor& color) = 0;
    virtual void line(QPointF from, QPointF to, const QColor& color) = 0;
    virtual void polyline(const QVector<QPointF>& points, const QColor& color, bool dashed) = 0;
    // Text whose middle height is at `at`.
    virtual void text(QPointF at, const QString& text, const QColor& color, Anchor anchor) = 0;
};

class PainterCanvas final : public Canvas {
public:
    explicit PainterCanvas(QPainter& painter) : m_painter(painter) { m_painter.setRenderHint(QPainter::Antialiasing); }
    void circle(QPointF centre, double radius, const QColor& color) override {
        m_painter.setPen(QPen(color, 1));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawEllipse(centre, radius, radius);
    }
    void line(QPointF from, QPointF to, const QColor& color) override {
        m_painter.setPen(QPen(color, 1));
        m_painter.drawLine(from, to);
    }
    void polyline(const QVector<QPointF>& points, const QColor& color, bool dashed) override {
        m_painter.setPen(QPen(color, 2, dashed ? Qt::DashLine : Qt::SolidLine));
        m_painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    }
    void text(QPointF at, const QString& text, const QColor& color, Anchor anchor) override {
        const QFontMetricsF metrics(m_painter.font());
        const double width = metrics.horizontalAdvance(text);
        const double left =
            anchor == Anchor::Left ? at.x() : (anchor == Anchor::Centre ? at.x() - width / 2 : at.x() - width);
        m_painter.setPen(color);
        m_painter.drawText(QPointF(left, at.y() + (metrics.ascent() - metrics.descent()) / 2), text);
    }

private:
    QPainter& m_painter;
};

QString xmlText(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('&'))
            out += QStringLiteral("&amp;");
        else if (c == QLatin1Char('<'))
            out += QStringLiteral("&lt;");
        else if (c == QLatin1Char('>'))
            out += QStringLiteral("&gt;");
        else if (c == QLatin1Char('"'))
            out += QStringLiteral("&quot;");
        else if (c.unicode() < 0x20)
            out += QLatin1Char(' '); // XML 1.0 has no place for control characters
        else
            out += c;
    }
    return out;
}

class SvgCanvas final : public Canvas {
public:
    SvgCanvas(QSize size, double fontPixels) {
        m_svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                               "viewBox=\"0 0 %1 %2\" font-family=\"sans-serif\" font-size=\"%3\">\n"
                               "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n")
                    .arg(size.width())
                    .arg(size.height())
                    .arg(fontPixels, 0, 'f', 1);
    }
    void circle(QPointF centre, double radius, const QColor& color) override {
        m_svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"none\" stroke=\"%4\"/>\n")
                     .arg(n(centre.x()), n(centre.y()), n(radius), color.name());
    }
    void line(QPointF from, QPointF to, const QColor& color) override {
        m_svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"%5\"/>\n")
                     .arg(n(from.x()), n(from.y()), n(to.x()), n(to.y()), color.name());
    }
    void polyline(const QVector<QPointF>& points, const QColor& color, bool dashed) override {
        QString list;
        for (const QPointF& p : points)
            list += n(p.x()) + QLatin1Char(',') + n(p.y()) + QLatin1Char(' ');
        m_svg +=
            QStringLiteral("<polyline points=\"%1\" fill=\"none\" stroke=\"%2\" stroke-width=\"2\"%3/>\n")
                .arg(list.trimmed(), color.name(), dashed ? QStringLiteral(" stroke-dasharray=\"8,4\"") : QString());
    }
    void text(QPointF at, const QString& text, const QColor& color, Anchor anchor) override {
        const char* const anchors[] = {"start", "middle", "end"};
        m_svg += QStringLiteral("<text x=\"%1\" y=\"%2\" fill=\"%3\" text-anchor=\"%4\" dominant-baseline=\"central\">"
                                "%5</text>\n")
                     .arg(n(at.x()), n(at.y()), color.name(), QLatin1String(anchors[static_cast<int>(anchor)]),
                          xmlText(text));
    }
    QString finish() const { return m_svg + QStringLiteral("</svg>\n"); }

private:
    static QString n(double value) { return QString::number(value, 'f', 1); }
    QString m_svg;
};

// The smallest of 1, 2, 2.5 and 5 times a power of ten that is not below `value`, and the
// ring step that divides it into four or five rings.
std::pair<double, double> roundScale(double value) {
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const auto& [mantissa, rings] : {std::pair{1.0, 5}, {2.0, 4}, {2.5, 5}, {5.0, 5}, {10.0, 5}}) {
        if (mantissa * power >= value * (1 - 1e-12))
            return {mantissa * power, mantissa * power / rings};
    }
    return {10 * power, 2 * power};
}

QString numberText(double value) {
    return QString::number(value, 'g', 6);
}

// Splits `text` into lines of about `width` characters at blanks.
QStringList wrapped(const QString& text, int width) {
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
                lines << line;
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        lines << line;
    }
    return lines;
}

void drawDiagram(Canvas& canvas, QSize size, double lineHeight, const FiguresResult& result, const QString& message) {
    const QPointF centre(size.width() / 2.0, size.height() / 2.0 + lineHeight / 2);
    if (!message.isEmpty() || !result.ok) {
        const QString text = !message.isEmpty()
                                 ? message
                                 : QStringLiteral("No candela curve: the photometric data cannot be read.\nLine %1: %2")
                                       .arg(result.problem.line)
                                       .arg(app::fromBytes(result.problem.text));
        const QStringList lines = wrapped(text, std::max(20, static_cast<int>(size.width() / (lineHeight * 0.55))));
        double y = centre.y() - lines.size() * lineHeight / 2;
        for (const QString& line : lines) {
            canvas.text(QPointF(centre.x(), y), line, kInk, Canvas::Anchor::Centre);
            y += lineHeight;
        }
        return;
    }
    const std::vector<PlaneCurve>& curves = result.value.curves;
    double highest = 0;
    for (const PlaneCurve& curve : curves)
        for (const PlanePoint& p : curve.points)
            highest = std::max(highest, p.candela);
    const double radius = std::min<double>(size.width(), size.height() - lineHeight * 2) / 2.0 - lineHeight * 2;
    if (radius <= 0)
        return;
    const auto [top, step] = roundScale(highest > 0 ? highest : 1);
    // Spokes every 30 degrees with their angle outside the circle; 0 is nadir, at the bottom.
    for (int angle = 0; angle < 360; angle += 30) {
        const double a = angle * kPi / 180;
        const QPointF direction(std::sin(a), std::cos(a));
        canvas.line(centre, centre + direction * radius, kGrid);
        const int shown = angle <= 180 ? angle : 360 - angle;
        canvas.text(centre + direction * (radius + lineHeight), QString::number(shown) + QChar(0x00B0), kInk,
                    Canvas::Anchor::Centre);
    }
    for (double ring = step; ring <= top * (1 + 1e-9); ring += step) {
        const double r = ring / top * radius;
        canvas.circle(centre, r, kGrid);
        // Inside the ring, so the outermost value keeps clear of the angle at the top.
        canvas.text(centre + QPointF(3, -r + lineHeight / 2), numberText(ring), kInk, Canvas::Anchor::Left);
    }
    canvas.text(QPointF(size.width() - 4, lineHeight * 0.75), QStringLiteral("cd"), kInk, Canvas::Anchor::Right);
    for (size_t i = 0; i < curves.size() && i < 2; ++i) {
        const PlaneCurve& curve = curves[i];
        const QColor color = kPlaneColors[i];
        // Dashed, so a second plane that follows the first still shows.
        const bool dashed = i == 1;
        QVector<QPointF> line;
        for (size_t j = 0; j < curve.points.size(); ++j) {
            const PlanePoint& p = curve.points[j];
            const double a = p.angle * kPi / 180;
            const double r = p.candela / top * radius;
            line << centre + QPointF(std::sin(a), std::cos(a)) * r;
            if (static_cast<long>(j) == curve.gapAfter) {
                canvas.polyline(line, color, dashed);
                line.clear();
            }
        }
        canvas.polyline(line, color, dashed);
        // The legend, top left: the plane's colour and name.
        const double y = lineHeight * (0.75 + static_cast<double>(i));
        canvas.polyline({QPointF(4, y), QPointF(24, y)}, color, dashed);
        canvas.text(QPointF(28, y), QString::fromStdString(curve.label), kInk, Canvas::Anchor::Left);
    }
}

} // namespace

PhotometryDiagram::PhotometryDiagram(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("diagram"));
    setMinimumSize(200, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_message = QStringLiteral("No file is current.");
}

void PhotometryDiagram::setFigures(const FiguresResult& result) {
    m_result = result;
    m_message.clear();
    update();
}

void PhotometryDiagram::setMessage(const QString& message) {
    m_result = FiguresResult();
    m_message = message;
    update();
}

void PhotometryDiagram::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    PainterCanvas canvas(painter);
    drawDiagram(canvas, size(), QFontMetricsF(font()).height(), m_result, m_message);
}

bool PhotometryDiagram::savePng(const QString& path, QSize size) const {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font());
    PainterCanvas canvas(painter);
    drawDiagram(canvas, size, QFontMetricsF(font()).height(), m_result, m_message);
    painter.end();
    return image.save(path, "PNG");
}

bool PhotometryDiagram::saveSvg(const QString& path, QSize size) const {
    const double lineHeight = QFontMetricsF(font()).height();
    SvgCanvas canvas(size, QFontInfo(font()).pixelSize());
    drawDiagram(canvas, size, lineHeight, m_result, m_message);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = canvas.finish().toUtf8();
    return file.write(bytes) == bytes.size() && file.flush();
}

void PhotometryDiagram::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    const QAction* png = menu.addAction(QStringLiteral("Save as PNG..."));
    menu.addAction(QStringLiteral("Save as SVG..."));
    const QAction* chosen = menu.exec(event->globalPos());
    if (!chosen)
        return;
    const bool asPng = chosen == png;
    const QString path =
        QFileDialog::getSaveFileName(this, chosen->text(), QString(),
                                     asPng ? QStringLiteral("PNG image (*.png)") : QStringLiteral("SVG image (*.svg)"));
    if (path.isEmpty())
        return;
    // The saved picture has the size shown; a PNG at twice the pixels stays sharp in print.
    if (!(asPng ? savePng(path, size() * 2) : saveSvg(path, size())))
        MessageBoxes::show(this, plainMessage("Unable to save " + app::fromQPath(path)));
}

frmPhotometry::frmPhotometry(QWidget* owner, app::Settings& settings)
    : QWidget(owner, Qt::Window), m_settings(settings) {
    setObjectName(QStringLiteral("frmPhotometry"));
    setWindowTitle(QStringLiteral("Candela Curve"));
    auto* split = new QSplitter(Qt::Vertical, this);
    m_diagram = new PhotometryDiagram(split);
    m_figures = new QTreeWidget(split);
    m_figures->setObjectName(QStringLiteral("lstFigures"));
    m_figures->setColumnCount(3);
    m_figures->setHeaderLabels({QStringLiteral("Figure"), QStringLiteral("Value"), QStringLiteral("Unit")});
    m_figures->setRootIsDecorated(false);
    m_figures->header()->setStretchLastSection(true);
    m_figures->setColumnWidth(0, 190);
    m_figures->setColumnWidth(1, 110);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(split);
    resize(400, 640);

    setMinimumSize(200, 200);
    // Never placed: beside the main window, to its right.
    restorePlacement(this, m_settings, kPlacement,
                     owner ? std::optional<QPoint>(QPoint(owner->frameGeometry().right() + 8, owner->y()))
                           : std::nullopt);
}

void frmPhotometry::setFile(const std::string& path) {
    m_path = path;
    if (isVisible())
        refresh();
}

void frmPhotometry::refresh() {
    m_figures->clear();
    if (m_path.empty()) {
        setWindowTitle(QStringLiteral("Candela Curve"));
        m_diagram->setMessage(QStringLiteral("No file is current."));
        return;
    }
    setWindowTitle(QStringLiteral("Candela Curve - ") + app::toQPath(m_path).section(QLatin1Char('/'), -1));
    std::string bytes;
    const Status read = readTextFile(m_path, bytes);
    if (!read.ok) {
        m_diagram->setMessage(QStringLiteral("The file cannot be read: ") + app::fromBytes(read.description));
        return;
    }
    const FiguresResult result = computeFigures(readPhotometry(bytes));
    m_diagram->setFigures(result);
    if (!result.ok)
        return;
    for (const FigureRow& row : figureRows(result.value)) {
        auto* item = new QTreeWidgetItem(m_figures);
        item->setText(0, app::fromBytes(row.label));
        item->setToolTip(0, app::fromBytes(row.name));
        item->setText(1, row.value.empty() ? QStringLiteral("-") : app::fromBytes(row.value));
        item->setText(2, app::fromBytes(row.unit));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (const std::string& note : result.value.notes) {
        auto* item = new QTreeWidgetItem(m_figures);
        item->setText(0, app::fromBytes(note));
        item->setFirstColumnSpanned(true);
    }
}

void frmPhotometry::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void frmPhotometry::savePlace() {
    savePlacement(this, m_settings, kPlacement);
}

void frmPhotometry::closeEvent(QCloseEvent* event) {
    savePlace();
    event->accept();
    emit closed();
}

} // namespace tagmere::ui
