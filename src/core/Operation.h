#pragma once

#include <chrono>
#include <functional>

namespace onda {

// How the user-interface thread waits for work that runs elsewhere. The program installs one
// that keeps the windows drawn while no user input reaches any of them; without one the work
// runs on the caller's thread, as in tests without windows.
class Waiter {
public:
    virtual ~Waiter() = default;
    // Runs `work` on another thread; returns once it has ended.
    virtual void wait(const std::function<void()>& work) = 0;
    // The outermost operation began or ended.
    virtual void operationBegan() {}
    virtual void operationEnded() {}
};

// Runs the work on a thread of its own while the caller's thread keeps running its event loop,
// so that timers and sockets of that thread are served meanwhile.
class ThreadWaiter : public Waiter {
public:
    void wait(const std::function<void()>& work) override;
};

// The waiter of the program; nullptr puts the work back on the caller's thread.
void installWaiter(Waiter* waiter);

// Runs `work` to its end through the installed waiter. An exception thrown by the work comes
// out here, on the caller's thread.
void waitFor(const std::function<void()>& work);

// A pause the same way: the windows drawn, no input taken.
void pauseFor(std::chrono::milliseconds duration);

// True while the user-interface thread waits in waitFor.
bool waiting();

// One operation of the program (a transfer, an export, an import, a report, a mail) for the
// life of the scope. The program does one at a time: a second one started meanwhile is refused
// and must not go on.
class Operation {
public:
    Operation();
    ~Operation();
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    // False when another operation was already running.
    explicit operator bool() const { return m_started; }
    static bool running();

private:
    bool m_started;
};

} // namespace onda
