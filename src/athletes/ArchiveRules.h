#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace onda {

// One record of the athlete register as the archive window edits it.
struct AthleteRecord {
    QString code;
    QString name;
    QString year;
    QString club;
    QString sex;
    bool team = false; // a relay team ("Squadra per staffetta")
};

namespace archive {

// Record sources and criteria of the archive. Every user text goes into SQL quoted.
QString clubAthletesSource(const QString& club); // the club's individual athletes, by name
QString categoriesSource(const QString& competition);
QString quotedCodeCriterion(const QString& code); // codatl='CODE'

// The code as a whole number; nothing for an empty text, a fraction or any other text.
std::optional<qlonglong> wholeNumber(const QString& text);

// The year box after leaving it: two-digit years (strictly between 10 and 100) gain 1900.
QString normalisedYear(const QString& text);

// The usage mode that restricts code changes and deletions to provisional codes.
inline constexpr int kProvisionalOnlyMode = 2;
// The usage mode in which the user types the code of a new athlete.
inline constexpr int kTypedCodeMode = 1;
bool codeChangeAllowed(int usageMode, const QString& code);
bool deletionAllowed(int usageMode, const QString& code);

} // namespace archive
} // namespace onda
