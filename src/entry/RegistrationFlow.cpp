#include "entry/RegistrationFlow.h"

#include "core/AppState.h"
#include "core/Categories.h"
#include "core/Dialogs.h"
#include "entry/EntryTime.h"
#include "entry/InvitationChecks.h"
#include "entry/RegistrationBook.h"
#include "lenex/EntryChecks.h"
#include "lenex/LenexData.h"
#include "store/Values.h"

#include <QLocale>

#include <algorithm>

namespace onda {

QString registrationMenuCaption(const QString& name, const QString& race) {
    return name + QLatin1Char('_') + race;
}

// One command under way: the form as its steps leave it, and what they changed.
struct RegistrationFlow::Pass {
    RegistrationForm form;
    RegistrationView view;
};

RegistrationFlow::RegistrationFlow(AppState& state, Dialogs& dialogs, RegistrationBook& book, Port& port)
    : m_state(state), m_dialogs(dialogs), m_book(book), m_port(port) {}

bool RegistrationFlow::shown(const Status& status) {
    if (!status)
        m_dialogs.message(QStringLiteral("Errore nel database: ") + status.description, Dialogs::Icon::Critical);
    return status.ok();
}

QString RegistrationFlow::clubCaption(int count) const {
    return QStringLiteral("Iscrizioni ") + m_state.club + QStringLiteral(". Numero iscrizioni: ") +
           QString::number(count);
}

void RegistrationFlow::showRegistrationCount(Pass& pass, int count) {
    pass.view.registrationCount = count;
    // The workspace counts the competition chosen there, which may be another by now.
    if (m_state.currentCompetition() == m_book.competition())
        m_state.session.setRegistrationCount(count);
}

RegistrationView RegistrationFlow::open() {
    RegistrationView view;
    const QString& number = m_state.currentCompetition();
    if (number != m_book.competition()) {
        // What the form holds belongs to the competition shown before.
        view.codeEntry = view.nameEntry = view.code = view.name = view.sex = view.year = view.category = view.race =
            view.time = QString();
        view.categories = view.raceLines = QStringList();
        view.registerEnabled = false;
        m_book.setCompetition(number);
    }
    m_port.showClubRegistrations();
    const int count = m_book.clubRegistrationCount();
    m_clubNames = m_book.clubAthleteNames();
    view.clubNames = m_clubNames;
    view.caption = clubCaption(count);
    return view;
}

void RegistrationFlow::fillAthlete(Pass& pass, const AthleteFields& athlete) {
    // The race and the time chosen were the previous athlete's.
    if (athlete.code != pass.form.code) {
        pass.view.race = pass.form.race = QString();
        pass.view.time = pass.form.time = QString();
        pass.view.raceLine = -1;
    }
    pass.view.code = pass.form.code = athlete.code;
    pass.view.name = pass.form.name = athlete.name;
    pass.view.sex = pass.form.sex = athlete.sex;
    pass.view.year = pass.form.year = athlete.year;
}

void RegistrationFlow::setCodeEntry(Pass& pass, const QString& code) {
    pass.view.codeEntry = pass.form.codeEntry = code;
}

bool RegistrationFlow::assignCategory(Pass& pass, bool withRaces) {
    const QString& sex = pass.form.sex;
    const QString& year = pass.form.year;
    const CategoryMatch match = cercaCategoria(m_state.competition().categories, sex, year);
    pass.view.categories = categoryItems(match.list);
    pass.view.category = pass.form.category = match.category;
    if (match.category.isEmpty()) {
        if (m_dialogs.askYesNo(noCategoryQuestion(sex, year), Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
            m_port.showCategoryList();
        return false;
    }
    if (withRaces) {
        pass.view.registerEnabled = true;
        listRaces(pass, pass.form.codeEntry, match.category, sex);
    }
    return true;
}

void RegistrationFlow::listRaces(Pass& pass, const QString& code, const QString& category, const QString& sex) {
    pass.view.raceLines = pass.form.raceLines = m_book.raceLines(code, category, sex, pass.form.year);
}

RegistrationView RegistrationFlow::lookupByCode(const RegistrationForm& form) {
    Pass pass{form, {}};
    lookupByCode(pass);
    return pass.view;
}

void RegistrationFlow::lookupByCode(Pass& pass) {
    const std::optional<AthleteFields> found = m_book.findInClub(pass.form.codeEntry);
    if (!found)
        return;
    fillAthlete(pass, *found);
    pass.view.nameEntry = pass.form.nameEntry = found->name;
    assignCategory(pass, true);
}

RegistrationView RegistrationFlow::recall(const RegistrationForm& form) {
    Pass pass{form, {}};
    const QString code = form.codeEntry.toUpper();
    const std::optional<AthleteFields> found = m_book.findAnywhere(code);
    if (found)
        setCodeEntry(pass, code);
    else
        m_dialogs.message(QStringLiteral("Atleta non trovato in archivio"));
    fillAthlete(pass, found.value_or(AthleteFields{}));
    assignCategory(pass, true);
    return pass.view;
}

RegistrationView RegistrationFlow::lookupByName(const RegistrationForm& form) {
    Pass pass{form, {}};
    lookupByName(pass);
    return pass.view;
}

void RegistrationFlow::lookupByName(Pass& pass) {
    const std::optional<AthleteFields> found = m_book.findByName(pass.form.nameEntry);
    if (found)
        setCodeEntry(pass, found->code); // the race list marks this athlete's races
    else
        m_dialogs.message(QStringLiteral("Atleta non trovato in archivio"));
    fillAthlete(pass, found.value_or(AthleteFields{}));
    assignCategory(pass, true);
}

RegistrationView RegistrationFlow::nameEntered(const RegistrationForm& form) {
    Pass pass{form, {}};
    // A name typed and not yet looked up is the athlete meant, not the one still shown.
    if (!form.nameEntry.isEmpty() && form.nameEntry != form.name) {
        lookupByName(pass);
        return pass.view;
    }
    setCodeEntry(pass, form.code);
    assignCategory(pass, false);
    return pass.view;
}

void RegistrationFlow::completeYearAndCategory(Pass& pass) {
    const double year = numericValue(pass.form.year);
    if (year < 100)
        pass.view.year = pass.form.year = QString::number(qlonglong(year) + 1900);
    const QString& sex = pass.form.sex;
    if (sex.isEmpty())
        return;
    const CategoryMatch match = cercaCategoria(m_state.competition().categories, sex, pass.form.year);
    if (match.category.isEmpty() &&
        m_dialogs.askYesNo(noCategoryQuestion(sex, pass.form.year), Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
        m_port.showCategoryList();
    pass.view.categories = categoryItems(match.list);
    pass.view.category = pass.form.category = match.category;
}

RegistrationView RegistrationFlow::leaveYear(const RegistrationForm& form) {
    Pass pass{form, {}};
    if (form.year.isEmpty())
        m_dialogs.message(QStringLiteral("Devi definire l'anno"));
    else
        completeYearAndCategory(pass);
    return pass.view;
}

RegistrationView RegistrationFlow::leaveSex(const RegistrationForm& form) {
    Pass pass{form, {}};
    pass.view.sex = pass.form.sex = form.sex.toUpper();
    if (!QStringLiteral("MFB").contains(pass.form.sex)) {
        m_dialogs.message(QStringLiteral("Specificare M, F o B"));
        pass.view.sexRefused = true;
    } else if (!form.year.isEmpty()) {
        completeYearAndCategory(pass);
    }
    return pass.view;
}

RegistrationView RegistrationFlow::setAthlete(const RegistrationForm& form) {
    Pass pass{form, {}};
    pass.view.athleteSet = setAthlete(pass, false);
    return pass.view;
}

bool RegistrationFlow::setAthlete(Pass& pass, bool namesFresh) {
    bool registrationsRemoved = false;
    const QString code = pass.form.code.toUpper();
    const QString name = pass.form.name.toUpper();
    const QString sex = pass.form.sex;
    const QString year = pass.form.year;
    const QString category = pass.form.category;
    const std::pair<const QString*, const char*> required[] = {{&code, "Devi indicare un codice per l'atleta"},
                                                               {&name, "Devi indicare il nome dell'atleta"},
                                                               {&sex, "Manca il sesso"},
                                                               {&year, "Manca l'anno"},
                                                               {&category, "Manca la categoria"}};
    for (const auto& [value, refusal] : required) {
        if (value->isEmpty()) {
            m_dialogs.message(QString::fromUtf8(refusal));
            return false;
        }
    }

    if (const std::optional<AthleteFields> holder = m_book.holderOfCode(code); holder && holder->name != name) {
        if (m_dialogs.askYesNo(QStringLiteral("Questo codice ") + code + QStringLiteral(" e' stato gia' assegnato a ") +
                                   holder->name + QLatin1Char('-') + holder->club +
                                   QStringLiteral(". Vuoi riprovare a definire "),
                               Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
            return false;
        if (m_dialogs.askYesNo(QStringLiteral("Vuoi sovrascrivere questo codice e cancellare le iscrizioni "
                                              "eventualmente gia' presenti ?"),
                               Dialogs::Answer::No) != Dialogs::Answer::Yes)
            return false;
        if (!shown(m_book.removeAthlete(code)))
            return false;
        registrationsRemoved = true;
    }

    const std::optional<AthleteFields> namesake = m_book.namesake(name);
    if (namesake && namesake->code.toUpper() != code) {
        if (m_dialogs.askYesNo(QStringLiteral("Esiste un omonimo ") + name + QStringLiteral(" con codice ") +
                                   namesake->code + QStringLiteral(" mentre tu hai indicato ") + code +
                                   QStringLiteral(" Vuoi riprovare a definire "),
                               Dialogs::Answer::Yes) == Dialogs::Answer::Yes)
            return false;
        if (m_dialogs.askYesNo(QStringLiteral("Vuoi mantenere entrambe i codici o cancellare l'altro?"),
                               Dialogs::Answer::Yes) == Dialogs::Answer::No) {
            shown(m_book.removeAthlete(namesake->code)); // the command ends either way
            return false;
        }
    }

    if (const Status written = m_book.writeAthlete({code, name, sex, year, {}}, namesake); !written) {
        m_dialogs.message(QStringLiteral("Impossibile registrare l'atleta ") + name + QStringLiteral(": ") +
                              written.description,
                          Dialogs::Icon::Critical);
        return false;
    }

    // The grid changes only when the athlete's registrations went with an older holder of the code.
    if (registrationsRemoved)
        m_port.showClubRegistrations();
    showAthleteSet(pass, namesFresh && !registrationsRemoved);
    return true;
}

void RegistrationFlow::showAthleteSet(Pass& pass, bool namesFresh) {
    const QString code = pass.form.code.toUpper();
    reopen(pass, namesFresh, pass.form.name.toUpper());
    setCodeEntry(pass, code);
    listRaces(pass, code, pass.form.category, pass.form.sex);
    pass.view.registerEnabled = true;
}

// The window shown again for the current competition and club.
void RegistrationFlow::reopen(Pass& pass, bool namesFresh, const QString& name) {
    // The list changes only when an athlete joins the club or is renamed.
    if (!namesFresh || !m_clubNames.contains(name)) {
        m_clubNames = m_book.clubAthleteNames();
        pass.view.clubNames = m_clubNames;
    }
    pass.view.caption = m_state.competition().name;
}

RegistrationFlow::BestTimeLine RegistrationFlow::bestTime(const RegistrationForm& form) const {
    const std::optional<lenex::BestTime> best =
        lenex::bestTime(m_state.databasePath, form.code, form.race,
                        lenex::competitionCourse(m_state.databasePath, m_state.currentCompetition()));
    if (!best)
        return {};
    const QString time = SwimTime::ofHundredths(best->time).resultText();
    QString text = QStringLiteral("Miglior tempo: ") + time;
    if (const QString pool = lenex::courseWords(best->course); !pool.isEmpty())
        text += QStringLiteral(", ") + pool;
    if (best->date.isValid())
        text += QStringLiteral(", ") + best->date.toString(QStringLiteral("dd/MM/yyyy"));
    return {text, time};
}

InvitationEntry RegistrationFlow::invitationEntry(const RegistrationForm& form) const {
    return {m_state.databasePath,
            m_book.competition(),
            m_state.club,
            form.codeEntry.isEmpty() ? form.code : form.codeEntry,
            form.race,
            form.category,
            form.sex,
            form.year,
            form.time};
}

QString RegistrationFlow::standardLine(const RegistrationForm& form) const {
    return onda::standardLine(invitationEntry(form));
}

QString RegistrationFlow::deadlineLine() const {
    return lenex::deadlineLine(lenex::entryDeadline(m_state.databasePath, m_book.competition()),
                               QDateTime::currentDateTime());
}

RegistrationView RegistrationFlow::chooseRace(const RegistrationForm& form, const QString& line) {
    Pass pass{form, {}};
    chooseRace(pass, line);
    return pass.view;
}

void RegistrationFlow::chooseRace(Pass& pass, const QString& line) {
    if (line.startsWith(QLatin1Char('-')))
        return;
    const QString race = raceOfLine(line);
    pass.view.race = pass.form.race = race;
    if (pass.form.code.isEmpty()) {
        m_dialogs.message(QStringLiteral("Devi specificare il codice atleta"));
        return;
    }
    const std::optional<SwimTime> time = m_book.timeFor(pass.form.code, race);
    pass.view.time = pass.form.time = time ? time->boxText() : QString();
}

// The line of the race list for exactly that race is selected, as a click selects it.
void RegistrationFlow::selectRace(Pass& pass, const QString& race) {
    const QStringList& lines = pass.form.raceLines;
    for (int line = 0; line < lines.size(); ++line) {
        if (raceOfLine(lines.at(line)) == race) {
            pass.view.raceLine = line;
            chooseRace(pass, lines.at(line));
            return;
        }
    }
}

RegistrationView RegistrationFlow::registerAthlete(const RegistrationForm& form) {
    Pass pass{form, {}};
    // An athlete the archive refused is not registered: its row would lack what was refused.
    // The grid is refreshed below, after the write.
    if (!setAthlete(pass, true))
        return pass.view;
    if (const int rows = m_book.clubRegistrationCount(); rows > 0)
        pass.view.caption = QString::number(rows) + QLatin1Char(':') + m_state.competition().name;
    RegistrationEntry entry;
    entry.name = pass.form.name.toUpper();
    entry.code = pass.form.codeEntry;
    if (entry.code.isEmpty())
        return pass.view;
    entry.sex = pass.form.sex;
    entry.year = pass.form.year;
    entry.category = pass.form.category;
    const QStringList races = m_book.athleteRaces(entry.code);
    entry.race = pass.form.race;
    const QString typed = pass.form.time;
    if (const std::optional<QString> refusal = entryTimeRefusal(typed)) {
        m_dialogs.message(*refusal, Dialogs::Icon::Information);
        return pass.view;
    }
    entry.time = SwimTime::parseBox(typed);
    if (secondsTooLarge(entry.time)) {
        m_dialogs.message(secondsTooLargeMessage(), Dialogs::Icon::Information);
        return pass.view;
    }
    if (const std::optional<QString> refusal =
            athleteLimitRefusal(races, entry.race, m_state.competition().maxEntriesPerAthlete)) {
        m_dialogs.message(*refusal);
        return pass.view;
    }
    if (entry.race.isEmpty()) {
        m_dialogs.message(QStringLiteral("Devi specificare uno stile"));
        return pass.view;
    }
    // The race chosen may be left from another athlete or competition: only one the list
    // offers this athlete now is registered.
    const QStringList& offered = pass.form.raceLines;
    if (std::none_of(offered.begin(), offered.end(),
                     [&entry](const QString& line) { return raceOfLine(line) == entry.race; })) {
        m_dialogs.message(QStringLiteral("La gara scelta non e' nel programma di questa manifestazione"));
        return pass.view;
    }
    if (!invitationAllows(m_dialogs, invitationEntry(pass.form)))
        return pass.view;
    std::optional<qlonglong> rewritten;
    if (const Status written = m_book.writeRegistration(entry, &rewritten); !written) {
        m_dialogs.message(QStringLiteral("Iscrizione non registrata: ") + written.description, Dialogs::Icon::Critical);
        return pass.view;
    }
    if (entry.time.worthRemembering())
        shown(m_book.rememberTime(entry.code, entry.name, entry.race, entry.time));
    shown(lenex::noteEntryMade(m_state.databasePath, m_book.competition(), entry.code, entry.race,
                               QDateTime::currentDateTime(), !races.contains(entry.race)));

    if (rewritten)
        m_port.showRewrittenRegistration(*rewritten);
    else
        m_port.showClubRegistrations();
    const int count = m_book.clubRegistrationCount();
    showRegistrationCount(pass, count);
    pass.view.status = QStringLiteral("Ultima iscrizione: ") + entry.name + QLatin1Char(' ') + entry.race +
                       QLatin1Char(' ') + typed + QStringLiteral(" ----> ") +
                       entry.time.registeredText(QLocale().decimalPoint().at(0));
    pass.view.time = pass.form.time = entry.time.registeredText().replace(QLatin1Char(','), QLatin1Char('.'));
    // The athlete was set above and only the registration changed since: the race list is
    // rebuilt with the race just registered.
    showAthleteSet(pass, true);
    pass.view.caption = clubCaption(count);
    selectRace(pass, entry.race);
    pass.view.focusCodeEntry = true;
    return pass.view;
}

RegistrationView RegistrationFlow::changeRegistration(const RegistrationForm& form, const RegistrationRow& row) {
    Pass pass{form, {}};
    const QString code = m_book.codeOfRegistration(row.name, row.race);
    if (code.isEmpty())
        return pass.view;
    setCodeEntry(pass, code);
    lookupByCode(pass);
    selectRace(pass, row.race);
    return pass.view;
}

RegistrationView RegistrationFlow::deleteRegistration(const RegistrationForm& form, const RegistrationRow& row) {
    Pass pass{form, {}};
    if (m_dialogs.askYesNo(QStringLiteral("Sei sicuro di voler cancellare i records selezionati: ") +
                               registrationMenuCaption(row.name, row.race),
                           Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return pass.view;
    QList<qlonglong> removed;
    if (shown(m_book.removeRegistrations(row.name, row.race, &removed)))
        m_port.showRemovedRegistrations(removed);
    else
        m_port.showClubRegistrations(); // what is left is shown either way
    const int count = m_book.clubRegistrationCount();
    showRegistrationCount(pass, count);
    pass.view.caption =
        QStringLiteral("Iscrizioni ") + m_state.competition().name + QLatin1Char(':') + QString::number(count);
    setAthlete(pass, true); // rebuilds the race list of the athlete in the frame
    return pass.view;
}

} // namespace onda
