#pragma once

#include "lenex/LenexModel.h"

#include <QString>

#include <optional>

namespace onda::lenex {

// Our race codes and meet software's swim styles: "100SL" and "100 SL" are 100 m FREE,
// "4x50 SL" four legs of 50 m FREE, "200MI" 200 m MEDLEY. A code the table does not know
// becomes stroke UNKNOWN with the code kept as the style's name.
SwimStyle styleOfRace(const QString& raceCode);
// The code a style is stored under, in the service's own form: "100 SL", "4x50 MI"; an
// UNKNOWN stroke gives back its name.
QString raceOfStyle(const SwimStyle& style);
// The same race, however the code is written ("100SL", "100 sl", "100 SL").
bool sameRace(const QString& a, const QString& b);

// Swim times: "HH:MM:SS.hh" both ways, "NT" for no time (-1). "00:00:00.00" reads as no time.
QString formatSwimTime(int hundredths);
std::optional<int> parseSwimTime(const QString& text); // nothing when the text is not a time

// Our stored minutes and seconds and hundredths; -1 for the no-time marker.
int hundredthsOf(double minutes, double seconds);

} // namespace onda::lenex
