#include "browser/BrowserAddress.h"

namespace onda {

QString withEncodedBlanks(const QString& address) {
    QString out = address;
    return out.replace(QLatin1Char(' '), QLatin1String("%20"));
}

double secondsSinceMidnight(const QTime& time) {
    return time.msecsSinceStartOfDay() / 1000.0;
}

QString addressWithTimer(const QString& address, double seconds, const QLocale& locale) {
    QLocale numbers = locale;
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    const QString separator =
        address.contains(QLatin1Char('?')) ? QStringLiteral("&timer=") : QStringLiteral("?timer=");
    return address + separator + numbers.toString(seconds, 'f', 2);
}

QStringList historyAfterVisit(const QStringList& history, const QString& address) {
    QStringList out = history;
    out.removeAll(address);
    out.prepend(address);
    return out;
}

} // namespace onda
