#include "core/AppState.h"

#include <QSettings>

namespace onda {

QString versionNumber() {
    return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

QString versionText() {
    return QStringLiteral("Version ") + versionNumber();
}

std::unique_ptr<QSettings> openProgramSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kProgramTitle, kProgramTitle);
}

} // namespace onda
