#pragma once

#include <QMdiSubWindow>
#include <QWidget>

namespace onda {

// Closes a child window for good: its frame in the main window goes with it, and the
// next use creates it again.
inline void unloadChild(QWidget* child) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(child->parentWidget()))
        frame->close();
    else
        child->close();
}

} // namespace onda
