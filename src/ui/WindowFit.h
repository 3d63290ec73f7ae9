#pragma once

#include <QList>
#include <QRect>

class QPoint;
class QWidget;

namespace onda {

// A child window's frame inside the area that shows it: as large as wanted but no larger than the
// area, never below its minimum, and moved back in wherever it stands out.
QRect fitInside(const QRect& wanted, const QSize& minimum, const QRect& area);

// The frames of a cascade inside the area, each `step` further down and right than the one
// before and sized as fitInside sizes it; a frame that would stand out starts again at the corner.
QList<QRect> cascadeInside(const QList<QSize>& wanted, const QList<QSize>& minimum, const QRect& area, int step);

// A frame grown by `extra` pixels, no larger than the available screen, and moved back onto it
// where it would stand out. A frame already larger than the screen keeps its size.
QRect grownOnScreen(const QRect& frame, const QSize& extra, const QRect& available);

// Places a top-level window with its corner at `corner`, moved back onto its screen's
// available area wherever it would stand out.
void placeOnScreen(QWidget* window, const QPoint& corner);

} // namespace onda
