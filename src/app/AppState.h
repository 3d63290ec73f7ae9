#pragma once

#include "store/Store.h"

#include <QString>
#include <QVariant>

namespace onda {

class Dialogs;

inline const QString kProgramTitle = QStringLiteral("ONDA_link");
inline const QString kBuiltInAddress = QStringLiteral("http://www.ondaweb.example/");
inline const QString kServiceMailAddress = QStringLiteral("iscrizioni@ondaweb.example");
inline constexpr int kVersionMajor = ONDA_VERSION_MAJOR;
inline constexpr int kVersionMinor = ONDA_VERSION_MINOR;
inline constexpr int kVersionRevision = ONDA_VERSION_REVISION;

QString versionText(); // "Version 1.0.15"

// The program-wide values, one instance shared by every window for the whole run.
struct AppState {
    QString commandLine;
    QString baseAddress = kBuiltInAddress;
    bool debugMode() const { return commandLine == QLatin1String("debug"); }

    QString programDirectory; // ends with the directory separator
    QString databasePath;

    QString club;
    QString userId;
    QString pin;

    // The open competition and what the workspace shows of it.
    QString currentCompetition;
    QVariant maxEntriesPerClub;
    QVariant maxEntriesPerAthlete;
    QString competitionNote;
    QString competitionName;
    QString competitionPlace;
    QString competitionDate;
    QString categoriesText;

    Store store;
    Dialogs* dialogs = nullptr;
};

} // namespace onda
