#pragma once

#include "core/Twips.h"

#include <QRect>

class QSettings;

namespace onda {

// The main window's position in twips, as the settings store keeps it.
struct WindowPosition {
    int left = 1000;
    int top = 1000;
    int width = 9045;
    int height = 9825;
};

// Section "Settings" of the program's per-user store; a missing or unreadable key keeps its default.
WindowPosition readWindowPosition(QSettings& settings);
void writeWindowPosition(QSettings& settings, const QRect& framePixels);

} // namespace onda
