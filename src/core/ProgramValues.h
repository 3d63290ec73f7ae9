#pragma once

#include <QString>

namespace onda {

// The program's fixed values.
inline const QString kProgramTitle = QStringLiteral("ONDA_link");
inline const QString kBuiltInAddress = QStringLiteral("http://www.ondaweb.example/");
inline const QString kServiceMailAddress = QStringLiteral("iscrizioni@ondaweb.example");
// The timing system: always in copy of a registration mail, and its page under the mail text.
inline const QString kTimingMailAddress = QStringLiteral("iscrizioni@tempra.example");
inline const QString kTimingWebAddress = QStringLiteral("http://www.tempra.example/");
// Competitions created from an invitation file are numbered from here up: the service
// does not know them, so nothing of theirs is ever sent to it.
inline constexpr int kFirstLocalCompetition = 900000;
inline bool isLocalCompetition(const QString& number) {
    return number.toLongLong() >= kFirstLocalCompetition;
}
inline constexpr int kVersionMajor = ONDA_VERSION_MAJOR;
inline constexpr int kVersionMinor = ONDA_VERSION_MINOR;
inline constexpr int kVersionRevision = ONDA_VERSION_REVISION;

QString versionText();   // "Version 1.0.15"
QString versionNumber(); // "1.0.15"

} // namespace onda
