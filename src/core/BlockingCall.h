#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

#include <functional>
#include <thread>

namespace onda {

// Runs `work` on a thread of its own and blocks the caller until it ends, while the caller's
// thread keeps serving window events (a transfer never freezes the windows). Without an
// application object there are no events to serve: the work runs here.
inline void runWhileServingEvents(const std::function<void()>& work) {
    if (!QCoreApplication::instance()) {
        work();
        return;
    }
    QEventLoop loop;
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}

} // namespace onda
