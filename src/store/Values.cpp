#include "store/Values.h"

#include <QDate>
#include <QDateTime>

namespace onda {

QString displayText(const QVariant& value) {
    if (value.isNull() || !value.isValid())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::QDateTime:
        return value.toDateTime().date().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}

double numericValue(const QString& text) {
    // Blanks are skipped anywhere, as in "1 500" = 1500; the number ends at the first other character.
    QString number;
    bool seenPoint = false;
    bool digits = false;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            continue;
        if ((c == QLatin1Char('-') || c == QLatin1Char('+')) && number.isEmpty()) {
            number += c;
        } else if (c == QLatin1Char('.') && !seenPoint) {
            seenPoint = true;
            number += c;
        } else if (c.unicode() >= '0' && c.unicode() <= '9') {
            digits = true;
            number += c;
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    bool ok = false;
    const double value = number.toDouble(&ok); // QString::toDouble always reads "." as the decimal point
    return ok ? value : 0.0;
}

} // namespace onda
