#pragma once

#include <QString>
#include <QStringView>

namespace onda {

// A number written with a picture of digits such as "##0", "00", "#0", "00.00" or "00.0":
// the "0"s before the point are the digits always written, those after it the decimals.
// Rounds half away from zero, the same way everywhere. The point is ".", unless
// `decimalPoint` says otherwise (the system's separator where the text is only shown).
QString formatNumber(double value, QStringView picture, QChar decimalPoint = QLatin1Char('.'));

} // namespace onda
