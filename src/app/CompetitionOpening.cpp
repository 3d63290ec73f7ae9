#include "app/CompetitionOpening.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/FlowResult.h"
#include "core/ProgramValues.h"
#include "core/WindowHost.h"
#include "entry/CompetitionNote.h"
#include "entry/RegistrationSelection.h"
#include "store/DataSource.h"
#include "store/Schema.h"
#include "store/SqlText.h"
#include "store/Values.h"

namespace onda {

QString modeText(OpeningMode mode) {
    switch (mode) {
    case OpeningMode::Online:
        return QStringLiteral("ON-LINE");
    case OpeningMode::Offline:
        return QStringLiteral("OFF-LINE");
    case OpeningMode::Cancelled:
        break;
    }
    return QStringLiteral("Cancella");
}

std::optional<StoredCompetition> findStoredCompetition(DataSource& manif, const QString& user, const QString& number) {
    manif.setRecordSource(QStringLiteral("select * from manif where username=") + sqlQuoted(user));
    if (!manif.refresh())
        return std::nullopt;
    if (!manif.findFirst(QStringLiteral("[numero prova]=") + number) || manif.noMatch())
        return std::nullopt;
    const auto text = [&manif](const char* field) { return displayText(manif.field(QLatin1String(field))); };
    StoredCompetition stored;
    stored.name = text("Nome Manifestazione");
    stored.place = displayText(manif.field(QStringLiteral("Località")));
    stored.date = text("Data");
    stored.maxEntriesPerClub = manif.field(QStringLiteral("Num Max Iscrizioni per soc"));
    stored.maxEntriesPerAthlete = manif.field(QStringLiteral("Num Max Iscrizioni per atleta"));
    stored.club = text("societa");
    stored.note = manif.field(QStringLiteral("nota")).toString();
    return stored;
}

QList<CompetitionCategory> competitionCategories(DataSource& source, const QString& number) {
    source.setRecordSource(QStringLiteral("select * from categorie where manifID=") + number);
    QList<CompetitionCategory> categories;
    if (!source.refresh())
        return categories;
    const int sex = source.fieldIndex(QStringLiteral("sesso"));
    const int name = source.fieldIndex(QStringLiteral("categoria"));
    const int first = source.fieldIndex(QStringLiteral("AnnoIni"));
    const int last = source.fieldIndex(QStringLiteral("AnnoFin"));
    for (int r = 0; r < source.rowCount(); ++r)
        categories.append({displayText(source.value(r, sex)), displayText(source.value(r, name)),
                           numericValue(displayText(source.value(r, first))),
                           numericValue(displayText(source.value(r, last)))});
    return categories;
}

CompetitionOpeningFlow::CompetitionOpeningFlow(AppState& state, DataSource& manif, DataSource& registrations,
                                               DataSource& categories, WindowHost* windows)
    : m_state(state), m_windows(windows), m_manif(manif), m_registrations(registrations), m_categories(categories) {}

void CompetitionOpeningFlow::setClubLabel(const QString& club) {
    if (m_windows)
        if (WorkspaceView* workspace = m_windows->workspaceView())
            workspace->setClubLabel(club);
}

void CompetitionOpeningFlow::choose(const ListedRow& row) {
    setClubLabel(row.user);
    m_state.userId = row.user;
    m_state.changeCompetition([&row](Competition& c) { c.number = row.number; });
}

QString onlineRefusal(const QString& number) {
    if (isLocalCompetition(number))
        return QStringLiteral("Non disponibile: questa manifestazione viene da un invito LENEX e non e' su Ondaweb.");
    return {};
}

bool CompetitionOpeningFlow::open(const ListedRow& row, OpeningMode mode) {
    if (mode == OpeningMode::Cancelled)
        return false;
    if (!prepareRegistrationTable(row.number)) {
        if (mode == OpeningMode::Offline) {
            const Dialogs::Answer answer = m_state.dialogs.askYesNo(
                QStringLiteral("La manifestazione non esiste sul computer. Devo collegarmi con Ondaweb per leggerne "
                               "i dati. Devi essere collegato in Internet.") +
                    QStringLiteral("\r\n\r\nMi collego ?"),
                Dialogs::Answer::Yes);
            if (answer != Dialogs::Answer::Yes)
                return false;
        }
        mode = OpeningMode::Online; // the import creates the table
    }

    if (mode == OpeningMode::Offline) {
        readStoredCompetition(row);
    } else {
        const CompetitionHeading heading{row.number, row.name, row.place, row.date};
        m_state.changeCompetition([&heading](Competition& c) {
            c.name = heading.name;
            c.place = heading.place;
            c.date = heading.date;
        });
        if (!m_service || !m_service->importCompetition(heading.number).ok())
            return false;
        // The import made the table; an old one gains its insertion order here.
        if (!prepareRegistrationTable(row.number))
            return false;
    }
    countClubRegistrations(row.number);
    // The window points its own sources at the competition's table and shows itself.
    if (m_windows)
        if (RegistrationDesk* desk = m_windows->registrationDesk())
            desk->openOnCompetition();
    return true;
}

bool CompetitionOpeningFlow::prepareRegistrationTable(const QString& number) {
    // Only the table's fields are needed: reading a large table's rows would slow the opening.
    m_registrations.setRecordSource(QStringLiteral("select * from ") + registrationTable(number) +
                                    QStringLiteral(" where 1=0"));
    if (m_registrations.refresh().number == err::TableNotFound)
        return false;
    DataSource scratch(QStringLiteral("iscrizioni"));
    scratch.setDatabaseFile(m_registrations.databaseFile());
    m_state.store.EnsureInsertionOrder(m_registrations, scratch, number);
    // Without the index (a read-only file) every command still works, only slower.
    (void)m_state.store.ensureRegistrationIndex(number);
    return true;
}

void CompetitionOpeningFlow::readStoredCompetition(const ListedRow& row) {
    if (const std::optional<StoredCompetition> stored = findStoredCompetition(m_manif, row.user, row.number)) {
        m_state.session.setClub(stored->club);
        setClubLabel(stored->club);
        m_state.changeCompetition([&stored](Competition& c) {
            c.name = stored->name;
            c.place = stored->place;
            c.date = stored->date;
            c.maxEntriesPerClub = stored->maxEntriesPerClub;
            c.maxEntriesPerAthlete = stored->maxEntriesPerAthlete;
            c.note = stored->note;
            c.notePresent = isNotePresent(stored->note);
        });
    }
    const QList<CompetitionCategory> categories = competitionCategories(m_categories, row.number);
    m_state.changeCompetition([&categories](Competition& c) { c.categories = categories; });
}

void CompetitionOpeningFlow::countClubRegistrations(const QString& number) {
    // The rows are counted, not read: the registration window reads them next. No order: the
    // count then comes from the club's index alone.
    m_registrations.setRecordSource(QStringLiteral("select count(*) as n from ") + registrationTable(number) +
                                    QStringLiteral(" where soc=") + sqlQuoted(m_state.club));
    const Status read = m_registrations.refresh();
    // An unreadable table is told by the registration window, which reads it next.
    const int count = read && m_registrations.rowCount() == 1 ? m_registrations.value(0, 0).toInt() : 0;
    m_state.session.setRegistrationCount(count);
}

} // namespace onda
