#pragma once

#include <QString>

#include <cmath>

namespace onda {

// A swim time as the program keeps it: the minutes and the seconds as typed or stored, so that
// what was typed ("1:60.00", "120:05.00", "1:05.333") is stored back as it was. 90 minutes or more is the
// no-time marker; a default time is the 99 / 99.99 of an empty box.
class SwimTime {
public:
    SwimTime() = default;
    // From the stored minutes and seconds.
    SwimTime(double minutes, double seconds);
    // From a total in hundredths, as results and LENEX carry it; 0 or less is no time.
    static SwimTime ofHundredths(int total);
    // The time box's "m:ss.hh": an empty text is no time; pieces that are not numbers read 0.
    // Only the separators are checked, by entryTimeRefusal.
    static SwimTime parseBox(const QString& text);

    bool isTime() const { return m_minutes < 90; }
    // The 99 / 99.99 of an empty box, exactly.
    bool isNoTimeMarker() const { return m_minutes == 99 && secondHundredths() == 9999; }
    // Only real times are remembered for the next registration.
    bool worthRemembering() const { return m_minutes < 90 && m_seconds < 90; }

    double minutes() const { return m_minutes; }
    double seconds() const { return m_seconds; }
    // The seconds to the nearest hundredth.
    int secondHundredths() const { return static_cast<int>(std::llround(m_seconds * 100.0)); }
    // The total in hundredths; -1 for no time, as the stored marker and LENEX read it.
    int hundredths() const;

    // The time box when a race is chosen: 1:32.52, 0:05.30; empty for no time.
    QString boxText() const;
    // The time box after a registration: "#0" minutes, ":", "00.00" seconds (99:99.99 for none).
    QString registeredText(QChar decimalPoint = QLatin1Char('.')) const;
    // Results and standards: "01:05.34", minutes and seconds carried from the total.
    QString resultText() const;

    friend bool operator==(const SwimTime&, const SwimTime&) = default;

private:
    double m_minutes = 99;
    double m_seconds = 99.99;
};

} // namespace onda
