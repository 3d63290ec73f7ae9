#include "ui/OperationGate.h"

#include "ui/BusyCursor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QMdiSubWindow>
#include <QTimer>

namespace onda {

namespace {

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

// A window whose closing ends the program or its work: not a dialog, not a child of the area.
bool isMainWindow(QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->isWindow() && !qobject_cast<QDialog*>(widget) && !widget->parentWidget();
}

} // namespace

OperationGate::OperationGate() {
    qApp->installEventFilter(this);
    installWaiter(this);
}

OperationGate::~OperationGate() {
    installWaiter(nullptr);
}

void OperationGate::wait(const std::function<void()>& work) {
    const BusyCursor busy;
    ++m_waiting;
    ThreadWaiter::wait(work);
    --m_waiting;
    if (!Operation::running())
        operationEnded();
}

void OperationGate::operationEnded() {
    if (m_waiting > 0 || !m_closeAsked)
        return;
    // Carried out once the caller's own steps have returned to the event loop.
    QTimer::singleShot(0, m_closeAsked.data(), &QWidget::close);
    m_closeAsked = nullptr;
}

bool OperationGate::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (m_waiting > 0 && isUserInput(type))
        return true;
    if (type == QEvent::Close) {
        if (isMainWindow(watched) && (m_waiting > 0 || Operation::running())) {
            m_closeAsked = static_cast<QWidget*>(watched);
            event->ignore();
            return true;
        }
        // A child window's close box during a wait: the window may own the work.
        if (m_waiting > 0 && event->spontaneous() && qobject_cast<QMdiSubWindow*>(watched)) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace onda
