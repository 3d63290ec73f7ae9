#include "core/Settings.h"

namespace onda {

namespace {
const QString kUsageModeKey = QStringLiteral("Settings/UsageMode");
} // namespace

int usageMode() {
    return openProgramSettings()->value(kUsageModeKey, 0).toInt();
}

void setUsageMode(int mode) {
    openProgramSettings()->setValue(kUsageModeKey, mode);
}

} // namespace onda
