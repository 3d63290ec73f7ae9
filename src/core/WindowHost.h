#pragma once

#include <QList>
#include <QSize>
#include <QString>

class QWidget;

namespace onda {

class DataSource;

// What a child window of the main window offers the host: the data sources the host
// binds to the database, and a load step run once they are bound.
class ChildWindow {
public:
    virtual ~ChildWindow() = default;
    virtual QList<DataSource*> dataSources() const = 0;
    virtual void load() {}
    // Size of the window's client area when first shown; empty for the widget's own hint.
    virtual QSize preferredSize() const { return {}; }
};

// The child windows of the main window, by name. The main window creates, binds, loads,
// shows and re-creates them; other windows reach each other only through the host.
enum class Child { Workspace, Registration, Archive, Note, RaceList, CategoryList, Preview, Progress, Browser, Mail };

// The athlete archive as other windows use it.
class AthleteArchive {
public:
    virtual ~AthleteArchive() = default;
    // Opens the archive on a new athlete under the first free provisional code; "&Chiudi"
    // hands the code back to the registration window's athlete code box.
    virtual void openForNewAthlete() = 0;
    // Opens the archive on the club's athletes ("DataBase Atleti").
    virtual void openOnClubAthletes() = 0;
};

// The registration window as other windows use it.
class RegistrationDesk {
public:
    virtual ~RegistrationDesk() = default;
    // Puts an athlete code in the code entry and looks the athlete up, as Enter there does.
    virtual void lookUpAthlete(const QString& code) = 0;
    // True while the window is on the screen.
    virtual bool isShown() const = 0;
    // Opens the window on the open competition: its sources on the competition's table, the
    // club's registrations and athletes, the note mark and the caption; shows it.
    virtual void openOnCompetition() = 0;
};

// The note window as other windows use it.
class NoteDesk {
public:
    virtual ~NoteDesk() = default;
    // Shows the note of competition `number`, read again from the local list; "Registra"
    // stores the text as that competition's note.
    virtual void showNote(const QString& number) = 0;
};

// What the workspace shows that other windows' flows change.
class WorkspaceView {
public:
    virtual ~WorkspaceView() = default;
    // The club label shows the chosen row's user until the competition's club is read; the
    // club itself it follows through the session.
    virtual void showChosenUser(const QString& user) = 0;
    // The competition list read again from the local table.
    virtual void FillCompetitionGrid() = 0;
    // The mark beside the list that says it came from the service.
    virtual void markListRefreshed() = 0;
};

class WindowHost {
public:
    virtual ~WindowHost() = default;
    // The child, created (bound and loaded) when missing or closed by the user.
    virtual QWidget* child(Child which) = 0;
    virtual void showChild(QWidget* child) = 0;
    virtual void hideChild(QWidget* child) = 0;
    virtual void setStatusText(const QString& text) = 0;
    // Points the data sources of the main, registration and workspace windows at the
    // database again and refreshes them, after another window changed its rows.
    virtual void bindDataSources() = 0;
    // Opens an address of the service or the help page in the program's browser.
    virtual void openAddress(const QString& address) = 0;
    // The windows' ports, created when missing.
    virtual RegistrationDesk* registrationDesk() = 0;
    virtual AthleteArchive* athleteArchive() = 0;
    virtual NoteDesk* noteDesk() = 0;
    virtual WorkspaceView* workspaceView() = 0;
};

} // namespace onda
