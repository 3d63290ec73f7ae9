#pragma once

#include "core/CompetitionSession.h"
#include "core/ProgramValues.h"
#include "store/Store.h"

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

namespace onda {

class Dialogs;
class WindowHost;

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

    // The open competition and the club; `club` names the session's club for its readers.
    CompetitionSession session;
    const QString& club = session.m_club;
    QString userId;
    QString pin;

    Store store;
    Dialogs& dialogs;

    // Readers and writers of the session under their former names.
    const Competition& competition() const { return session.current(); }
    const QString& currentCompetition() const { return session.number(); }
    void setCompetition(const Competition& competition) { session.open(competition); }
    template <class Change> void changeCompetition(Change&& change) { session.change(std::forward<Change>(change)); }
};

} // namespace onda
