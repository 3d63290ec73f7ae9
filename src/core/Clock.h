#pragma once

#include <QDateTime>

namespace onda {

// The program's one clock: the splash wait, the browser's time parameter and the dates written
// into files all read it, so that a test can set the time they see.
class Clock {
public:
    static QDateTime now();
    // A fixed time from now on; an invalid one gives the system's time back.
    static void set(const QDateTime& fixed);
};

} // namespace onda
