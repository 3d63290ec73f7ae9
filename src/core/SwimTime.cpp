#include "core/SwimTime.h"

#include "core/Formats.h"
#include "store/Values.h"

#include <QStringList>

#include <cmath>

namespace onda {

SwimTime::SwimTime(double minutes, double seconds) : m_minutes(minutes), m_seconds(seconds) {}

SwimTime SwimTime::ofHundredths(int total) {
    if (total <= 0)
        return {};
    SwimTime time;
    time.m_minutes = total / 6000;
    time.m_seconds = (total % 6000) / 100.0;
    return time;
}

SwimTime SwimTime::parseBox(const QString& text) {
    if (text.isEmpty())
        return {};
    const QStringList pieces = text.split(QLatin1Char(':'));
    return {numericValue(pieces.value(0)), numericValue(pieces.value(1))};
}

int SwimTime::hundredths() const {
    const int centis = secondHundredths();
    if (!isTime() || centis >= 9000 || m_minutes < 0 || centis < 0)
        return -1;
    const int total = static_cast<int>(std::llround(m_minutes * 6000.0)) + centis;
    return total > 0 ? total : -1;
}

QString SwimTime::boxText() const {
    if (!isTime())
        return {};
    const int centis = secondHundredths();
    return formatNumber(m_minutes, u"##0") + QLatin1Char(':') + formatNumber(centis / 100, u"00") + QLatin1Char('.') +
           formatNumber(centis % 100, u"00");
}

QString SwimTime::registeredText(QChar decimalPoint) const {
    return formatNumber(m_minutes, u"#0") + QLatin1Char(':') + formatNumber(seconds(), u"00.00", decimalPoint);
}

QString SwimTime::resultText() const {
    const int total = static_cast<int>(std::llround(m_minutes * 6000.0)) + secondHundredths();
    return QStringLiteral("%1:%2.%3")
        .arg(total / 6000, 2, 10, QLatin1Char('0'))
        .arg(total / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 100, 2, 10, QLatin1Char('0'));
}

} // namespace onda
