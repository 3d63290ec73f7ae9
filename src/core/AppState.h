#pragma once

#include "core/ProgramValues.h"
#include "store/Store.h"

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

namespace onda {

class Dialogs;
class WindowHost;

// The open competition: what the workspace shows of it and what other windows read.
struct Competition {
    QString number; // CurrentCompetition; empty until a competition is opened
    QString name;
    QString place;
    QString date;
    QVariant maxEntriesPerClub;    // as stored; null when the competition has none
    QVariant maxEntriesPerAthlete; // as stored; null when the competition has none
    QString note;
    QString categoriesText;    // CategorieGara
    QString registrationCount; // niscrizioni
    bool notePresent = false;  // what the registration window's "Nota presente" box shows
};

// What the workspace hands the on-line import of one competition.
struct CompetitionHeading {
    QString number;
    QString name;
    QString place;
    QString date;
};

// The program-wide values, one instance shared by every window for the whole run.
class AppState : public QObject {
    Q_OBJECT
public:
    explicit AppState(Dialogs& programDialogs) : dialogs(programDialogs) {}

    QString commandLine;
    QString baseAddress = kBuiltInAddress;
    bool debugMode() const { return commandLine == QLatin1String("debug"); }

    QString programDirectory; // ends with the directory separator
    QString databasePath;
    std::shared_ptr<QLockFile> databaseLock; // held for the whole run: one program per database

    QString club;
    QString userId;
    QString pin;

    Store store;
    Dialogs& dialogs;
    // For the child windows to reach each other; workflows take their typed ports instead.
    WindowHost* windows = nullptr;

    // The open competition has one source of truth: windows show it and change it only here.
    const Competition& competition() const { return m_competition; }
    void setCompetition(const Competition& competition);
    template <class Change> void changeCompetition(Change&& change) {
        change(m_competition);
        emit competitionChanged();
    }
    const QString& currentCompetition() const { return m_competition.number; }

signals:
    void competitionChanged();

private:
    Competition m_competition;
};

} // namespace onda
