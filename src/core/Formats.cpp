#include "core/Formats.h"

#include <cmath>

namespace onda {

QString formatNumber(double value, QStringView picture, QChar decimalPoint) {
    const qsizetype point = picture.indexOf(QLatin1Char('.'));
    const QStringView whole = point < 0 ? picture : picture.left(point);
    const int decimals = point < 0 ? 0 : int(picture.size() - point - 1);
    const int minDigits = int(whole.count(QLatin1Char('0')));

    const double scale = std::pow(10.0, decimals);
    // Values such as 32.52 are held as 32.519999...: a tiny nudge keeps their intended digits.
    const double scaled = std::round(std::abs(value) * scale * (1.0 + 1e-12));
    const auto units = static_cast<qlonglong>(scaled);
    const qlonglong intPart = decimals ? units / static_cast<qlonglong>(scale) : units;
    const qlonglong fraction = decimals ? units % static_cast<qlonglong>(scale) : 0;

    QString text = QString::number(intPart);
    if (minDigits == 0 && intPart == 0)
        text.clear();
    while (text.size() < minDigits)
        text.prepend(QLatin1Char('0'));
    if (decimals > 0)
        text += decimalPoint + QStringLiteral("%1").arg(fraction, decimals, 10, QLatin1Char('0'));
    if (value < 0 && units != 0)
        text.prepend(QLatin1Char('-'));
    return text;
}

} // namespace onda
