#include "core/Operation.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <atomic>
#include <exception>
#include <thread>

namespace onda {

namespace {

std::atomic<Waiter*> g_waiter{nullptr};
// The user-interface thread's own: no lock.
bool g_running = false;
int g_waits = 0;

} // namespace

void ThreadWaiter::wait(const std::function<void()>& work) {
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

void installWaiter(Waiter* waiter) {
    g_waiter = waiter;
}

void waitFor(const std::function<void()>& work) {
    Waiter* waiter = g_waiter;
    if (!waiter) {
        work();
        return;
    }
    std::exception_ptr failure;
    ++g_waits;
    waiter->wait([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    --g_waits;
    if (failure)
        std::rethrow_exception(failure);
}

bool waiting() {
    return g_waits > 0;
}

void pauseFor(std::chrono::milliseconds duration) {
    waitFor([duration] { std::this_thread::sleep_for(duration); });
}

Operation::Operation() : m_started(!g_running) {
    if (!m_started)
        return;
    g_running = true;
    if (Waiter* waiter = g_waiter)
        waiter->operationBegan();
}

Operation::~Operation() {
    if (!m_started)
        return;
    g_running = false;
    if (Waiter* waiter = g_waiter)
        waiter->operationEnded();
}

bool Operation::running() {
    return g_running;
}

} // namespace onda
