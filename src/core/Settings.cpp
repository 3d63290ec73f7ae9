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

} // namespace onda
