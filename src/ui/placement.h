// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/settings.h"

#include <QPoint>

#include <optional>

class QWidget;

namespace tagmere::ui {

// The settings that keep a window's place and size, in twips (15 to a pixel).
struct PlacementKeys {
    app::Setting left;
    app::Setting top;
    app::Setting width;
    app::Setting height;
};

// Puts the window where it was when it last closed. A window never placed keeps its
// size and goes to `unsaved` (its top-left corner), or to the middle of the screen.
void restorePlacement(QWidget* window, const app::Settings& settings, const PlacementKeys& keys,
                      std::optional<QPoint> unsaved = std::nullopt);
void savePlacement(const QWidget* window, app::Settings& settings, const PlacementKeys& keys);

} // namespace tagmere::ui
