#pragma once

#include <QString>
#include <QVariant>

namespace onda {

// A field value as the program shows it: dates as dd/mm/yyyy, numbers without
// needless decimals, null as empty text.
QString displayText(const QVariant& value);

// The leading decimal number of a text: blanks skipped, "." as the decimal point
// whatever the locale, 0 when the text holds no number.
double numericValue(const QString& text);

} // namespace onda
