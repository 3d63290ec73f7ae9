#pragma once

#include "store/Status.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace onda {

class AppState;
class Dialogs;
class RegistrationBook;
struct InvitationEntry;
struct AthleteFields;

// The values of the registration window's form a command starts from.
struct RegistrationForm {
    QString codeEntry; // the code typed beside the lookup button
    QString nameEntry; // the text of the name list
    QString code;
    QString name;
    QString sex;
    QString year;
    QString category;
    QStringList raceLines; // the race list as shown
    QString race;          // the chosen race
    QString time;          // the typed entry time
};

// What a command changed on the form; an empty field stays as it is.
struct RegistrationView {
    std::optional<QString> codeEntry;
    std::optional<QString> nameEntry;
    std::optional<QString> code;
    std::optional<QString> name;
    std::optional<QString> sex;
    std::optional<QString> year;
    std::optional<QStringList> categories; // the category drop-down's items, with `category`
    std::optional<QString> category;
    std::optional<QStringList> raceLines;
    std::optional<int> raceLine; // the race line to select, -1 for none
    std::optional<QString> race;
    std::optional<QString> time;
    std::optional<QString> status;
    std::optional<QString> caption;
    std::optional<int> registrationCount; // the club's registrations in the competition
    std::optional<bool> registerEnabled;
    std::optional<QStringList> clubNames; // the name list refilled
    bool focusCodeEntry = false;          // the focus goes where the next athlete's code is typed
    bool sexRefused = false;              // the focus stays in the sex field
    bool athleteSet = false;              // "Imposta Atleta" wrote the athlete
};

// The caption of the grid's pop-up menu for a row.
QString registrationMenuCaption(const QString& name, const QString& race);

// A registration of the club as the grid's row names it.
struct RegistrationRow {
    QString name;
    QString race;
};

// The commands of the registration window, with every question and refusal in its order.
// They run on the form's values and hand back what to show; the window only reads and
// writes its controls.
class RegistrationFlow {
public:
    // What the flow needs of the windows around it.
    class Port {
    public:
        virtual ~Port() = default;
        // Opens the category list of the competition, without waiting for it.
        virtual void showCategoryList() = 0;
        // The club's registrations changed or are to be shown: the grid reads them again.
        virtual void showClubRegistrations() = 0;
        // Only the registration of that insertion order changed, in place: the grid reads that row.
        virtual void showRewrittenRegistration(qlonglong order) = 0;
        // The registrations of these insertion orders were removed: the grid drops them.
        virtual void showRemovedRegistrations(const QList<qlonglong>& orders) = 0;
    };

    RegistrationFlow(AppState& state, Dialogs& dialogs, RegistrationBook& book, Port& port);

    // The window opened on the current competition: the club's registrations, names, caption;
    // the form emptied when the competition is another than the one shown so far.
    RegistrationView open();

    // Lookups of the athlete: by the code entry in the club, "Richiama" in the whole
    // archive, by the name list's text, and Enter in the name list.
    RegistrationView lookupByCode(const RegistrationForm& form);
    RegistrationView recall(const RegistrationForm& form);
    RegistrationView lookupByName(const RegistrationForm& form);
    RegistrationView nameEntered(const RegistrationForm& form);
    // Leaving the year or the sex field: the year completed, the category recomputed.
    RegistrationView leaveYear(const RegistrationForm& form);
    RegistrationView leaveSex(const RegistrationForm& form);

    // "Imposta Atleta".
    RegistrationView setAthlete(const RegistrationForm& form);
    // A click on a line of the race list.
    RegistrationView chooseRace(const RegistrationForm& form, const QString& line);
    // "Iscrivi".
    RegistrationView registerAthlete(const RegistrationForm& form);
    // "Modifica Iscrizione" and "Cancella Iscrizione" on the grid's row the menu was opened on.
    RegistrationView changeRegistration(const RegistrationForm& form, const RegistrationRow& row);
    RegistrationView deleteRegistration(const RegistrationForm& form, const RegistrationRow& row);

    // The best time read from results of the athlete shown in the race chosen: the label's
    // text ("Miglior tempo: 01:05.34, vasca 25 m, 12/03/2026") and the time for the time box;
    // both empty when there is none.
    struct BestTimeLine {
        QString text;
        QString time;
    };
    BestTimeLine bestTime(const RegistrationForm& form) const;
    // The invitation's standard for the athlete, race and time of the form, and the verdict
    // ("Tempo limite 01:10.00 (vasca 50 m): raggiunto"); empty when none applies.
    QString standardLine(const RegistrationForm& form) const;
    // The invitation's deadline for entries, "... (scaduto)" once passed; empty when none.
    QString deadlineLine() const;

private:
    struct Pass;
    InvitationEntry invitationEntry(const RegistrationForm& form) const;
    void lookupByCode(Pass& pass);
    void lookupByName(Pass& pass);
    void fillAthlete(Pass& pass, const AthleteFields& athlete);
    void setCodeEntry(Pass& pass, const QString& code);
    bool assignCategory(Pass& pass, bool withRaces);
    void listRaces(Pass& pass, const QString& code, const QString& category, const QString& sex);
    void completeYearAndCategory(Pass& pass);
    // `namesFresh`: the name list is read again only when it lacks the athlete.
    bool setAthlete(Pass& pass, bool namesFresh);
    void showAthleteSet(Pass& pass, bool namesFresh);
    void reopen(Pass& pass, bool namesFresh, const QString& name);
    void chooseRace(Pass& pass, const QString& line);
    void selectRace(Pass& pass, const QString& race);
    bool shown(const Status& status);
    void showRegistrationCount(Pass& pass, int count);
    QString clubCaption(int count) const;

    AppState& m_state;
    Dialogs& m_dialogs;
    RegistrationBook& m_book;
    Port& m_port;
    QStringList m_clubNames; // what the name list holds
};

} // namespace onda
