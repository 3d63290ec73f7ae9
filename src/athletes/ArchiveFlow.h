#pragma once

#include "athletes/ArchiveRules.h"
#include "athletes/AthleteRegister.h"

#include <QHash>
#include <QString>

#include <optional>

namespace onda {

class AppState;
class WindowHost;
class Dialogs;
struct Status;

// An athlete the archive wrote, for the window to show.
struct WrittenAthlete {
    enum class Change {
        Added,     // a new row
        InPlace,   // the same club, kind and name: the row changed where it stands
        Renamed,   // the same club and kind: the row moves where its name goes
        Reselected // the club, the kind or the code changed: the athletes are read again
    };
    QString code;
    Change change = Change::Added;
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

// The archive's commands: checks, questions and writes, without widgets. The window reads
// its boxes into an AthleteRecord, calls a command and shows what it gives back.
class ArchiveFlow {
public:
    // What the commands need of the archive window.
    class Port {
    public:
        virtual ~Port() = default;
        // The athletes of `scope` read afresh; the failure of the reading is told by the flow.
        virtual Status showAthletes(const AthleteScope& scope) = 0;
        // The athlete was written: the window shows it, reading no more than the change needs.
        virtual Status showWritten(const WrittenAthlete& written) = 0;
        // The athlete on show was removed from the register.
        virtual Status showRemoved() = 0;
        // The new-record flag was set or cleared by a command.
        virtual void showNewRecord(bool on) = 0;
    };

    // `desks`: where the registration window is found, to hand it a new athlete's code; none in tests.
    ArchiveFlow(AppState& state, Dialogs& dialogs, Port& port, WindowHost* desks = nullptr);

    // The new-record flag: set while a record not yet in the register is entered.
    bool isNewRecord() const { return m_newRecord; }
    void setNewRecord(bool on);

    // The club's individual athletes; false (and the user told) when the register cannot be
    // read, and the window then stays closed.
    bool openOnClubAthletes();
    // The first free provisional code; the athletes shown stay (the whole register in a
    // window opened afresh).
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

    // False, with "Errore nel database: ..." shown, when `status` is a failure: the window's
    // own readings are told as the commands' are.
    bool reported(const Status& status);

private:
    // The shown athletes' record with `code`; nothing when there is none or the register
    // could not be searched (then the user was told, and `failed` is set).
    std::optional<StoredAthlete> findShown(const QString& code, bool* failed);
    bool clubListed(const QString& club);
    // The window shows the athletes of `scope`, read afresh; what was found or added before is forgotten.
    Status showScope(const AthleteScope& scope);
    // Whether `athlete` is the last of the athletes shown: in the order they were read, each
    // where its name then put it, and the ones added since after them.
    bool lastShown(const StoredAthlete& athlete, Status& status);
    // `before` is about to be rewritten: it keeps the place it was read in.
    void keepPlace(const StoredAthlete& before);

    AppState& m_state;
    WindowHost* m_desks;
    Dialogs& m_dialogs;
    Port& m_port;
    AthleteRegister m_register;
    std::optional<AthleteScope> m_scope; // none until the window first shows athletes
    // The athlete last read or written, standing for what the user sees: a write checks the
    // row still holds it. Rows added since the athletes were read follow them in that order.
    std::optional<StoredAthlete> m_current;
    QList<qlonglong> m_added;
    QHash<qlonglong, QVariant> m_readNames; // rows rewritten since, by the name they were read with
    bool m_newRecord = false;
    bool m_forRegistration = false; // opened by the registration window for a new athlete
};

} // namespace onda
