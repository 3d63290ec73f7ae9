#include "entry/EntryTime.h"

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

bool secondsTooLarge(const SwimTime& time) {
    // The no-time marker is no time at all: an empty box, or the 99:99.99 it becomes after a registration.
    return time.seconds() > 60 && !time.isNoTimeMarker();
}

} // namespace onda
