#pragma once

#include "core/SwimTime.h"

#include <QString>

#include <optional>

namespace onda {

// The refusal message for a typed entry time, or nothing when the text is acceptable.
// Only the separators are checked: digits and ranges are looked at by SwimTime::parseBox.
std::optional<QString> entryTimeRefusal(const QString& text);

// Seconds above 60 are refused; 60.00 itself passes, and so does the no-time marker.
bool secondsTooLarge(const SwimTime& time);
inline const QString& secondsTooLargeMessage() {
    static const QString text = QStringLiteral("E' stato specificato un tempo errato: i secondi sono maggiori di 60.");
    return text;
}

} // namespace onda
