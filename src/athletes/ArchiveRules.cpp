#include "athletes/ArchiveRules.h"

#include "athletes/AthleteCodes.h"
#include "store/SqlText.h"
#include "store/Values.h"

#include <QStringList>

namespace onda::archive {

namespace {

// A whole number goes into SQL as it is; anything else only as a quoted text.
QString codeLiteral(const QString& code) {
    if (const std::optional<qlonglong> number = wholeNumber(code))
        return QString::number(*number);
    return sqlQuoted(code);
}

} // namespace

QString clubAthletesSource(const QString& club) {
    return QStringLiteral("select * from natl where ((natl.SQUADRA)<>-1 OR (natl.SQUADRA) Is Null) and soc=") +
           sqlQuoted(club) + QStringLiteral(" order by nome");
}

QString categoriesSource(const QString& competition) {
    return QStringLiteral("select * from categorie where manifID=") + codeLiteral(competition);
}

QString quotedCodeCriterion(const QString& code) {
    return QStringLiteral("codatl=") + sqlQuoted(code);
}

std::optional<qlonglong> wholeNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    const qlonglong value = trimmed.toLongLong(&ok);
    // The code column holds 32-bit numbers; a longer one would come back changed.
    if (!ok || value < 0 || value > 2147483647)
        return std::nullopt;
    return value;
}

QString normalisedYear(const QString& text) {
    if (text.isEmpty())
        return text;
    const double v = numericValue(text);
    if (v > 10 && v < 100)
        return QString::number(v + 1900);
    return text;
}

bool codeChangeAllowed(int usageMode, const QString& code) {
    if (usageMode != kProvisionalOnlyMode)
        return true;
    const double value = numericValue(code);
    return value >= kFirstProvisionalCode && value <= 599999;
}

bool deletionAllowed(int usageMode, const QString& code) {
    if (usageMode != kProvisionalOnlyMode)
        return true;
    const double value = numericValue(code);
    return value >= kFirstProvisionalCode && value < 599999;
}

} // namespace onda::archive
