#pragma once

#include <QString>

#include <utility>

namespace onda::lenex {

// "DE LUCA MARIO" is surname DE LUCA and first name MARIO: the archive keeps one name, surname
// first, and Italian surnames keep their particles (DE, DI, DA, DEL, DELLA, ..., D', MC, VAN, VON).
std::pair<QString, QString> splitName(const QString& name);

// A name as compared across files: accents, case, apostrophes and repeated blanks do not count.
QString foldedName(const QString& name);

// Codes from this one upward are provisional: given by the program, never a federation's.
inline constexpr qlonglong kFirstProvisionalCode = 500000;

} // namespace onda::lenex
