#pragma once

#include "core/Operation.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace onda {

// The one way the windows wait. While work runs on its thread the windows are redrawn, the
// busy pointer shows and timers run, but no user input reaches any window: no command, no
// button, no close box. A close of a main window asked for during an operation is carried out
// when the operation ends, so that nothing is cut in half.
class OperationGate : public QObject, public ThreadWaiter {
    Q_OBJECT
public:
    OperationGate();
    ~OperationGate() override;
    OperationGate(const OperationGate&) = delete;
    OperationGate& operator=(const OperationGate&) = delete;

    void wait(const std::function<void()>& work) override;
    void operationBegan() override {}
    void operationEnded() override;

    bool waiting() const { return m_waiting > 0; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int m_waiting = 0;
    QPointer<QWidget> m_closeAsked;
};

} // namespace onda
