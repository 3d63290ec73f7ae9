#pragma once

#include <QString>

#include <optional>

namespace onda {

// An entry time as stored in a registration: minutes and seconds with hundredths.
struct EntryTime {
    double m = 99;
    double s = 99.99;
    // 90 minutes or more (the 99 / 99.99 of an empty box) means no time.
    bool isTime() const { return m < 90; }
    // Only real times are remembered for the next registration.
    bool worthRemembering() const { return m < 90 && s < 90; }
};

// The refusal message for a typed entry time, or nothing when the text is acceptable.
// Only the separators are checked: digits and ranges are looked at by parseEntryTime.
std::optional<QString> entryTimeRefusal(const QString& text);

// The time of an accepted text: an empty text is the no-time marker 99 / 99.99.
EntryTime parseEntryTime(const QString& text);
// Seconds above 60 are refused; 60.00 itself passes, and so does the no-time marker.
bool secondsTooLarge(const EntryTime& time);
inline const QString& secondsTooLargeMessage() {
    static const QString text = QStringLiteral("E' stato specificato un tempo errato: i secondi sono maggiori di 60.");
    return text;
}

// A stored time shown back in the time box when a race is chosen: 1:32.52, 0:05.30;
// empty for the no-time marker.
QString shownEntryTime(const EntryTime& time);
// The time box after a registration: "#0" minutes, ":", "00.00" seconds (99:99.99 for none).
// `decimalPoint` is the system's separator for the status line; the box always uses ".".
QString registeredEntryTime(const EntryTime& time, QChar decimalPoint = QLatin1Char('.'));

} // namespace onda
