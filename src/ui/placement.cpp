// SPDX-License-Identifier: GPL-3.0-or-later
#include "placement.h"

#include "layout.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tagmere::ui {

namespace {

int pixels(std::int32_t twips) {
    return qRound(static_cast<double>(twips) / layout::kTwipsPerPixel);
}

} // namespace

void restorePlacement(QWidget* window, const app::Settings& settings, const PlacementKeys& keys,
                      std::optional<QPoint> unsaved) {
    const std::int32_t left = settings.readInt(keys.left);
    const std::int32_t top = settings.readInt(keys.top);
    const std::int32_t width = settings.readInt(keys.width, window->width() * layout::kTwipsPerPixel);
    const std::int32_t height = settings.readInt(keys.height, window->height() * layout::kTwipsPerPixel);
    if (left != app::kNeverSaved && top != app::kNeverSaved) {
        window->move(pixels(left), pixels(top));
    } else if (unsaved) {
        window->move(*unsaved);
    } else {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->geometry() : QRect(QPoint(), window->size());
        window->move(area.x() + area.width() / 2 - window->width() / 2,
                     area.y() + area.height() / 2 - window->height() / 2);
    }
    window->resize(pixels(width), pixels(height));
}

void savePlacement(const QWidget* window, app::Settings& settings, const PlacementKeys& keys) {
    const std::int64_t twips = layout::kTwipsPerPixel;
    settings.writeInt(keys.left, window->x() * twips);
    settings.writeInt(keys.top, window->y() * twips);
    settings.writeInt(keys.width, window->width() * twips);
    settings.writeInt(keys.height, window->height() * twips);
}

} // namespace tagmere::ui
