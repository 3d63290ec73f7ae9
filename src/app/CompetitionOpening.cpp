#include "app/CompetitionOpening.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/FlowResult.h"
#include "core/ProgramValues.h"
#include "core/WindowHost.h"
#include "entry/CompetitionNote.h"
#include "store/Database.h"
#include "store/Schema.h"
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

namespace {

// The first row of a query as field name to value; nothing when it has no row or fails.
std::optional<QVariantMap> firstRow(Database& db, const QString& statement, const QVariantList& values) {
    Database::Result result;
    if (!db.query(statement, result, values) || result.rows.isEmpty())
        return std::nullopt;
    QVariantMap row;
    for (qsizetype c = 0; c < result.fields.size(); ++c)
        row.insert(result.fields.at(c).name.toLower(), result.rows.first().at(c));
    return row;
}

} // namespace

std::optional<StoredCompetition> findStoredCompetition(Database& db, const QString& user, const QString& number) {
    const std::optional<QVariantMap> row =
        firstRow(db, QStringLiteral("select * from manif where username=? and [numero prova]=?"), {user, number});
    if (!row)
        return std::nullopt;
    const auto field = [&row](const char* name) { return row->value(QString::fromUtf8(name).toLower()); };
    StoredCompetition stored;
    stored.name = displayText(field("Nome Manifestazione"));
    stored.place = displayText(field("Località"));
    stored.date = displayText(field("Data"));
    stored.maxEntriesPerClub = field("Num Max Iscrizioni per soc");
    stored.maxEntriesPerAthlete = field("Num Max Iscrizioni per atleta");
    stored.club = displayText(field("societa"));
    stored.note = field("nota").toString();
    return stored;
}

QList<CompetitionCategory> competitionCategories(Database& db, const QString& number) {
    QList<CompetitionCategory> categories;
    // Unreadable categories leave the list empty: the registration window then offers none.
    (void)db.read(
        QStringLiteral("select sesso, categoria, AnnoIni, AnnoFin from categorie where manifID=?"), {number},
        [&categories](const Database::Row& row) {
            categories.append({row.text(0), row.text(1), numericValue(row.text(2)), numericValue(row.text(3))});
        });
    return categories;
}

CompetitionOpeningFlow::CompetitionOpeningFlow(AppState& state, WindowHost* windows)
    : m_state(state), m_windows(windows) {}

void CompetitionOpeningFlow::showChosenUser(const QString& user) {
    if (m_windows)
        if (WorkspaceView* workspace = m_windows->workspaceView())
            workspace->showChosenUser(user);
}

void CompetitionOpeningFlow::choose(const ListedRow& row) {
    showChosenUser(row.user);
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
    if (!m_state.store.EnsureInsertionOrder(number))
        return false;
    // Without the index (a read-only file) every command still works, only slower.
    (void)m_state.store.ensureRegistrationIndex(number);
    return true;
}

void CompetitionOpeningFlow::readStoredCompetition(const ListedRow& row) {
    // From now on the workspace's competitions are this user's, as its list of them stands.
    m_state.session.setListedUser(row.user);
    Database db;
    // A file that cannot be opened finds nothing: the registration window tells it next.
    (void)db.openShared(m_state.databasePath);
    if (const std::optional<StoredCompetition> stored = findStoredCompetition(db, row.user, row.number)) {
        m_state.session.setClub(stored->club);
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
    const QList<CompetitionCategory> categories = competitionCategories(db, row.number);
    m_state.changeCompetition([&categories](Competition& c) { c.categories = categories; });
}

void CompetitionOpeningFlow::countClubRegistrations(const QString& number) {
    // The rows are counted, not read: the registration window reads them next. No order: the
    // count then comes from the club's index alone.
    Database db;
    int count = 0;
    // An unreadable table is told by the registration window, which reads it next.
    if (db.openShared(m_state.databasePath))
        (void)db.read(QStringLiteral("select count(*) from ") + registrationTable(number) +
                          QStringLiteral(" where soc=?"),
                      {m_state.club}, [&count](const Database::Row& row) { count = int(row.integer(0)); });
    m_state.session.setRegistrationCount(count);
}

} // namespace onda
