#include "ui/WindowFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace onda {

namespace {

// The start of a span of `length` moved into [first, first + room): to `first` when it cannot fit.
int keptInside(int start, int length, int first, int room) {
    return std::max(first, std::min(start, first + room - length));
}

QRect movedInside(const QRect& frame, const QRect& area) {
    return {keptInside(frame.x(), frame.width(), area.x(), area.width()),
            keptInside(frame.y(), frame.height(), area.y(), area.height()), frame.width(), frame.height()};
}

} // namespace

QRect fitInside(const QRect& wanted, const QSize& minimum, const QRect& area) {
    const QSize size = wanted.size().boundedTo(area.size()).expandedTo(minimum);
    return movedInside(QRect(wanted.topLeft(), size), area);
}

QList<QRect> cascadeInside(const QList<QSize>& wanted, const QList<QSize>& minimum, const QRect& area, int step) {
    QList<QRect> frames;
    int offset = 0;
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        const QSize least = minimum.value(i);
        if (offset > 0 && (offset + least.width() > area.width() || offset + least.height() > area.height()))
            offset = 0;
        const QRect room = area.adjusted(offset, offset, 0, 0);
        const QSize size = wanted.at(i).boundedTo(room.size()).expandedTo(least);
        frames << QRect(room.topLeft(), size);
        offset += step;
    }
    return frames;
}

QRect grownOnScreen(const QRect& frame, const QSize& extra, const QRect& available) {
    const QSize size = (frame.size() + extra).boundedTo(available.size()).expandedTo(frame.size());
    return movedInside(QRect(frame.topLeft(), size), available);
}

void placeOnScreen(QWidget* window, const QPoint& corner) {
    // Its size is known before it is first shown only once its layout has run.
    window->adjustSize();
    const QScreen* screen = QGuiApplication::screenAt(corner);
    if (!screen)
        screen = window->screen();
    const QRect frame(corner, window->frameGeometry().size());
    window->move(screen ? fitInside(frame, frame.size(), screen->availableGeometry()).topLeft() : corner);
}

} // namespace onda
