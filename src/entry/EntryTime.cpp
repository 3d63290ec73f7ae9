#include "entry/EntryTime.h"

#include "core/Formats.h"
#include "store/Values.h"

#include <QStringList>

#include <cmath>

namespace onda {

std::optional<QString> entryTimeRefusal(const QString& text) {
    if (text.isEmpty())
        return std::nullopt;
    if (!text.contains(QLatin1Char(':')))
        return QStringLiteral("Errore nella scrittura del tempo: manca il carattere : (due punti) ") + text;
    const qsizetype p1 = text.indexOf(QLatin1Char('.'));
    if (p1 >= 0 && text.indexOf(QLatin1Char('.'), p1 + 1) >= 0)
        return QStringLiteral("Errore nella scrittura del tempo: sono stati usati DUE PUNTI invece che : e .");
    if (p1 < 0)
        return QStringLiteral("Errore nella scrittura del tempo: si deve usare mm:ss.dd. Esempio 01:23.45");
    return std::nullopt;
}

EntryTime parseEntryTime(const QString& text) {
    if (text.isEmpty())
        return {};
    const QStringList pieces = text.split(QLatin1Char(':'));
    return {numericValue(pieces.value(0)), numericValue(pieces.value(1))};
}

bool secondsTooLarge(const EntryTime& time) {
    // The no-time marker is no time at all: an empty box, or the 99:99.99 it becomes after a registration.
    const EntryTime none;
    return time.s > 60 && !(time.m == none.m && time.s == none.s);
}

QString shownEntryTime(const EntryTime& time) {
    if (!time.isTime())
        return {};
    // Whole hundredths first, so that 32.999 shows as 33.00 and never as 32.100.
    const auto hundredths = static_cast<qlonglong>(std::llround(time.s * 100.0));
    return formatNumber(time.m, u"##0") + QLatin1Char(':') + formatNumber(double(hundredths / 100), u"00") +
           QLatin1Char('.') + formatNumber(double(hundredths % 100), u"00");
}

QString registeredEntryTime(const EntryTime& time, QChar decimalPoint) {
    return formatNumber(time.m, u"#0") + QLatin1Char(':') + formatNumber(time.s, u"00.00", decimalPoint);
}

} // namespace onda
