#include "core/Settings.h"

namespace onda {

namespace {
const QString kUsageModeKey = QStringLiteral("Settings/UsageMode");
const QString kSearchPageKey = QStringLiteral("Settings/SearchPage");
} // namespace

int usageMode() {
    return openProgramSettings()->value(kUsageModeKey, 0).toInt();
}

void setUsageMode(int mode) {
    openProgramSettings()->setValue(kUsageModeKey, mode);
}

QString searchPage() {
    return openProgramSettings()->value(kSearchPageKey, QStringLiteral("https://duckduckgo.com/")).toString();
}

void setSearchPage(const QString& address) {
    openProgramSettings()->setValue(kSearchPageKey, address);
}

namespace {
QString lenexKey(const QString& club, const char* what) {
    return QStringLiteral("Lenex/") + QString::fromLatin1(club.toUtf8().toHex()) + QLatin1Char('/') +
           QLatin1String(what);
}
} // namespace

QString lenexClubName(const QString& club) {
    return openProgramSettings()->value(lenexKey(club, "Nome")).toString();
}

QString lenexClubNation(const QString& club) {
    const QString nation = openProgramSettings()->value(lenexKey(club, "Nazione")).toString().trimmed();
    return nation.isEmpty() ? QStringLiteral("ITA") : nation;
}

void setLenexClub(const QString& club, const QString& name, const QString& nation) {
    const auto settings = openProgramSettings();
    settings->setValue(lenexKey(club, "Nome"), name.trimmed());
    settings->setValue(lenexKey(club, "Nazione"), nation.trimmed().toUpper());
}

} // namespace onda
