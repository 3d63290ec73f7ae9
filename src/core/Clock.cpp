#include "core/Clock.h"

#include <atomic>

namespace onda {

namespace {

// Read from the operations' threads too (dates written into files).
std::atomic<qint64> g_fixedMs{-1};

} // namespace

QDateTime Clock::now() {
    const qint64 fixed = g_fixedMs.load();
    return fixed < 0 ? QDateTime::currentDateTime() : QDateTime::fromMSecsSinceEpoch(fixed);
}

void Clock::set(const QDateTime& fixed) {
    g_fixedMs.store(fixed.isValid() ? fixed.toMSecsSinceEpoch() : -1);
}

} // namespace onda
