#pragma once

#include "athletes/ArchiveRules.h"

#include <QString>

#include <functional>
#include <optional>

namespace onda {

class AppState;
class DataSource;
class WindowHost;
class Dialogs;
struct Status;

// The data sources of the archive window that the commands work on.
struct ArchiveSources {
    DataSource& workingView; // Data1: finding, adding, changing, deleting
    DataSource& navigator;   // Data3
    DataSource& search;      // searches over the whole register, whatever the views show
    DataSource& clubs;       // the club list: one entry per record of natl
};

// The boxes "&Chiudi" wants filled, in the order it looks at them.
enum class ArchiveBox { Name, Year, Club, Sex };

// What the code lookup found for the boxes.
struct CodeLookup {
    enum class Outcome {
        Nothing,       // no code, or the register could not be read (the user was told)
        Found,         // editing: `record` goes into the boxes
        NotRegistered, // editing: the boxes are emptied
        Taken,         // new record: the code belongs to another record
        Free,          // new record: the code may be used
    };
    Outcome outcome = Outcome::Nothing;
    AthleteRecord record;
};

enum class Deletion { Refused, Kept, LastRecord, Deleted };

// How the archive opens for a new athlete.
struct NewAthleteStart {
    bool opened = false;
    bool typedCode = false; // the user types the code; otherwise `code` is the provisional one
    QString code;
};

enum class NavigatorMove { First, Previous, Next, Last };

// The archive's commands: checks, questions and writes, without widgets. The window reads
// its boxes into an AthleteRecord, calls a command and shows what it gives back.
class ArchiveFlow {
public:
    // `desks`: where the registration window is found, to hand it a new athlete's code; none in tests.
    ArchiveFlow(AppState& state, Dialogs& dialogs, ArchiveSources sources, WindowHost* desks = nullptr);

    // The new-record flag: set while a record not yet in the register is entered.
    bool isNewRecord() const { return m_newRecord; }
    void setNewRecord(bool on);
    // Told whenever a command sets or clears the flag.
    std::function<void(bool)> newRecordChanged;

    // Both views on the club's individual athletes; false (and the user told) when the
    // register cannot be read, and the window then stays closed.
    bool openOnClubAthletes();
    // The working view searched for the first free provisional code, then put back.
    NewAthleteStart openForNewAthlete();
    // "&Nuovo": the boxes are emptied by the window.
    void newRecord();

    CodeLookup lookup(const QString& code);
    // "&Registra"; true when the record was written. A change of a code the views do not
    // hold writes nothing and says so.
    bool save(const AthleteRecord& boxes);
    Deletion remove(const QString& code);
    // "Modifica codice": the new code, nothing when the code stays. In the new-record state
    // only the proposed code changes; the save checks it.
    std::optional<QString> changeCode(const QString& oldCode);
    // "&Chiudi": the first empty box keeps the window open; otherwise, opened by the
    // registration window still on the screen, a new record is saved and its code handed
    // back to it. True when the window may close.
    bool close(const AthleteRecord& boxes, std::optional<ArchiveBox>* missing);

    // The name box after Enter or leaving it, in capitals; warns of a record of that name.
    QString enterName(const QString& typed);
    // The club box after Enter, in capitals; warns when the club is not listed.
    QString enterClub(const QString& typed);
    // Leaving the club box: false (and the user told) for a club that is not listed.
    bool leaveClub(const QString& club);
    void moveNavigator(NavigatorMove move);

private:
    // The first record of the whole register that meets `criterion`; false (and the user
    // told) when the register could not be read.
    bool findInRegister(const QString& criterion, std::optional<AthleteRecord>& found);
    // The working view on the record with `code`; false when there is none or the view
    // could not be searched (then the user was told).
    bool findInView(const QString& code, bool* failed);
    bool clubListed(const QString& club) const;
    // False, with "Errore nel database: ..." shown, when `status` is a failure.
    bool reported(const Status& status);
    // The navigator read again and put on the record with `criterion`.
    void showInNavigator(const QString& criterion);
    // The navigator put on the record with `criterion`, just written through the working
    // view, and only that row read again; false when it must be read whole.
    bool showChangedInNavigator(const QString& criterion, bool renamed);

    AppState& m_state;
    WindowHost* m_desks;
    Dialogs& m_dialogs;
    ArchiveSources m_sources;
    bool m_newRecord = false;
    bool m_forRegistration = false; // opened by the registration window for a new athlete
};

} // namespace onda
