#include "athletes/ArchiveFlow.h"

#include "athletes/AthleteCodes.h"
#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/ProgramValues.h"
#include "core/Settings.h"
#include "core/WindowHost.h"
#include "store/DataSource.h"
#include "store/Database.h"
#include "store/SqlFunctions.h"
#include "store/Values.h"

namespace onda {

namespace {

const QString kWholeRegister = QStringLiteral("natl");

} // namespace

ArchiveFlow::ArchiveFlow(AppState& state, Dialogs& dialogs, ArchiveSources sources, WindowHost* desks)
    : m_state(state), m_desks(desks), m_dialogs(dialogs), m_sources(sources) {}

void ArchiveFlow::setNewRecord(bool on) {
    if (m_newRecord == on)
        return;
    m_newRecord = on;
    if (newRecordChanged)
        newRecordChanged(on);
}

bool ArchiveFlow::reported(const Status& status) {
    if (!status)
        m_dialogs.message(QStringLiteral("Errore nel database: ") + status.description, Dialogs::Icon::Critical);
    return status.ok();
}

namespace {

// A register that cannot be read must not pass for an empty one, nor a check that could
// not be made for a check passed.
bool readable(Dialogs& dialogs, const Status& status) {
    if (!status)
        dialogs.message(QStringLiteral("Impossibile leggere l'archivio atleti: ") + status.description,
                        Dialogs::Icon::Critical);
    return status.ok();
}

} // namespace

bool ArchiveFlow::findInRegister(const QString& criterion, std::optional<AthleteRecord>& found) {
    // One query for the rows that match: the whole register, whatever the views show.
    found.reset();
    DataSource& search = m_sources.search;
    search.setRecordSource(QStringLiteral("select * from natl where ") + criterion);
    if (!readable(m_dialogs, search.refresh()))
        return false;
    if (search.rowCount() > 0)
        found = archive::readAthlete(search);
    return true;
}

bool ArchiveFlow::findInView(const QString& code, bool* failed) {
    DataSource& view = m_sources.workingView;
    *failed = !reported(view.findFirst(archive::quotedCodeCriterion(code)));
    return !*failed && !view.noMatch();
}

bool ArchiveFlow::clubListed(const QString& club) const {
    const DataSource& clubs = m_sources.clubs;
    const int column = clubs.fieldIndex(QStringLiteral("soc"));
    for (int row = 0; column >= 0 && row < clubs.rowCount(); ++row) {
        if (displayText(clubs.value(row, column)) == club)
            return true;
    }
    return false;
}

void ArchiveFlow::showInNavigator(const QString& criterion) {
    DataSource& navigator = m_sources.navigator;
    if (reported(navigator.refresh()))
        reported(navigator.findFirst(criterion));
}

bool ArchiveFlow::showChangedInNavigator(const QString& criterion, bool renamed) {
    DataSource& navigator = m_sources.navigator;
    if (navigator.recordSource() != m_sources.workingView.recordSource() || !navigator.findFirst(criterion) ||
        navigator.noMatch())
        return false;
    // A row that cannot be read again is read with the whole set, which tells its failure.
    if (!navigator.reloadCurrentRow().ok())
        return false;
    if (!renamed)
        return true;
    // The views are ordered by name: the row goes where a new reading would put it. A namesake
    // leaves the order of the two to SQLite, so the set is read again.
    const int column = navigator.fieldIndex(QStringLiteral("nome"));
    const QVariant name = navigator.field(QStringLiteral("nome"));
    if (column < 0 || name.isNull())
        return false;
    const QString key = name.toString();
    const int self = navigator.position();
    const auto nameAt = [&](int row) { return navigator.value(row < self ? row : row + 1, column); };
    int low = 0, high = navigator.rowCount() - 1; // the places among the other rows
    while (low < high) {
        const int middle = (low + high) / 2;
        const QVariant other = nameAt(middle);
        if (!other.isNull() && detail::compareNoCase(other.toString(), key) >= 0)
            high = middle;
        else
            low = middle + 1;
    }
    const auto namesake = [&](int row) {
        return row >= 0 && row < navigator.rowCount() - 1 && !nameAt(row).isNull() &&
               detail::compareNoCase(nameAt(row).toString(), key) == 0;
    };
    if (namesake(low) || namesake(low - 1))
        return false;
    return navigator.moveCurrentRow(low).ok();
}

bool ArchiveFlow::openOnClubAthletes() {
    m_forRegistration = false;
    const QString source = archive::clubAthletesSource(m_state.club);
    m_sources.workingView.setRecordSource(source);
    m_sources.navigator.setRecordSource(source);
    // One reading of the register for both views.
    return readable(m_dialogs, m_sources.workingView.refresh()) &&
           readable(m_dialogs, m_sources.navigator.refreshFrom(m_sources.workingView));
}

NewAthleteStart ArchiveFlow::openForNewAthlete() {
    DataSource& view = m_sources.workingView;
    DataSource& navigator = m_sources.navigator;
    // A window opened afresh has no record source yet: its views then stay on the whole register.
    const QString saved = view.recordSource().isEmpty() ? kWholeRegister : view.recordSource();
    view.setRecordSource(kWholeRegister);
    if (!readable(m_dialogs, view.refresh()))
        return {};
    if (navigator.recordSource().isEmpty()) {
        navigator.setRecordSource(kWholeRegister);
        if (!readable(m_dialogs, navigator.refresh()))
            return {};
    }
    NewAthleteStart start;
    start.typedCode = usageMode() == archive::kTypedCodeMode;
    if (!start.typedCode) {
        // On the connection the views share; the view was read above, so the file opens.
        Database db;
        (void)db.openShared(m_state.databasePath);
        start.code = QString::number(firstFreeProvisionalCode(db));
    }
    if (saved != kWholeRegister) {
        view.setRecordSource(saved);
        if (!readable(m_dialogs, view.refresh()))
            return {};
    }
    newRecord();
    start.opened = m_forRegistration = true;
    return start;
}

void ArchiveFlow::newRecord() {
    setNewRecord(true);
}

CodeLookup ArchiveFlow::lookup(const QString& code) {
    if (code.isEmpty())
        return {};
    if (!m_newRecord) {
        bool failed = false;
        if (findInView(code, &failed))
            return {CodeLookup::Outcome::Found, archive::readAthlete(m_sources.workingView)};
        if (failed)
            return {};
        m_dialogs.message(QStringLiteral("Codice ") + code + QStringLiteral(" non registrato"));
        return {CodeLookup::Outcome::NotRegistered, {}};
    }
    std::optional<AthleteRecord> other;
    if (!findInRegister(archive::codeCriterion(code), other))
        return {};
    if (other) {
        m_dialogs.message(QStringLiteral("Codice ") + code + QStringLiteral(" già registrato: ") + other->name +
                          QStringLiteral(" - ") + other->club);
        return {CodeLookup::Outcome::Taken, *other};
    }
    return {CodeLookup::Outcome::Free, {}};
}

bool ArchiveFlow::save(const AthleteRecord& boxes) {
    AthleteRecord record = boxes;
    const std::optional<qlonglong> code = archive::wholeNumber(record.code);
    if (!code) {
        m_dialogs.message(QStringLiteral("Il codice dell'atleta deve essere un numero intero"),
                          Dialogs::Icon::Critical);
        return false;
    }
    record.code = QString::number(*code);
    DataSource& view = m_sources.workingView;
    QString error;
    const auto refused = [&] {
        m_dialogs.message(QStringLiteral("Impossibile registrare l'atleta: ") + error, Dialogs::Icon::Critical);
        return false;
    };
    if (m_newRecord) {
        std::optional<AthleteRecord> found;
        if (!findInRegister(archive::codeCriterion(record.code), found))
            return false;
        if (found) {
            m_dialogs.message(QStringLiteral("Codice esistente. Non puoi sovrascriverlo"));
            return false;
        }
        std::optional<AthleteRecord> namesake;
        if (!findInRegister(archive::nameCriterion(record.name), namesake))
            return false;
        if (namesake) {
            const QString question = QStringLiteral("Esiste gia' un nome cosi': ") + namesake->name +
                                     QStringLiteral(" - ") + namesake->club + QStringLiteral(". Vuoi proseguire");
            if (m_dialogs.askYesNo(question, Dialogs::Answer::Yes) != Dialogs::Answer::Yes)
                return false;
        }
        if (const Status added = view.addNew(); !added) {
            error = added.description;
            return refused();
        }
        if (!archive::writeAthlete(view, record, &error))
            return refused();
        // The record is written: a view that cannot be put on it is told, not a refusal.
        reported(view.findFirst(archive::quotedCodeCriterion(record.code)));
    } else {
        bool failed = false;
        if (findInView(record.code, &failed)) {
            const AthleteRecord before = archive::readAthlete(view);
            if (const Status editing = view.edit(); !editing) {
                error = editing.description;
                return refused();
            }
            if (!archive::writeAthlete(view, record, &error))
                return refused();
            setNewRecord(false);
            // The views' sources choose records by club and kind and order them by name: with
            // those kept, the navigator's row is read again and put where its name goes.
            const AthleteRecord after = archive::readAthlete(view);
            if (after.club == before.club && after.team == before.team &&
                showChangedInNavigator(archive::quotedCodeCriterion(record.code), after.name != before.name))
                return true;
        } else {
            // Nothing written is said: the user may have meant a new athlete.
            if (!failed)
                m_dialogs.message(QStringLiteral("Il codice ") + record.code +
                                  QStringLiteral(" non e' tra gli atleti dell'archivio mostrati: nulla e' stato "
                                                 "registrato. Per un atleta nuovo premi \"Nuovo\"."));
            return false;
        }
    }
    setNewRecord(false);
    showInNavigator(archive::quotedCodeCriterion(record.code));
    return true;
}

Deletion ArchiveFlow::remove(const QString& code) {
    DataSource& view = m_sources.workingView;
    bool failed = false;
    if (!findInView(code, &failed)) {
        if (!failed)
            m_dialogs.message(QStringLiteral("Codice non esistente"));
        return Deletion::Refused;
    }
    if (m_dialogs.askYesNo(QStringLiteral("Sei sicuro di voler cancellare questo atleta?"), Dialogs::Answer::No) !=
        Dialogs::Answer::Yes)
        return Deletion::Kept;
    Status status = view.remove();
    if (status)
        status = view.moveNext();
    // Deleting the last row leaves the view with no current record.
    if (status.number == err::NoCurrentRecord || (status.ok() && view.eof())) {
        m_dialogs.message(QStringLiteral("Ultimo record"));
        // Fails only when no record is left to stand on, which the user sees.
        (void)view.moveLast();
        return Deletion::LastRecord;
    }
    if (!reported(status))
        return Deletion::Refused;
    reported(m_sources.navigator.refresh());
    return Deletion::Deleted;
}

std::optional<QString> ArchiveFlow::changeCode(const QString& oldCode) {
    if (!m_newRecord && !archive::codeChangeAllowed(usageMode(), oldCode)) {
        m_dialogs.message(QStringLiteral("non puoi modificare codici inferiori a 500000 o superiori a 600000"));
        return std::nullopt;
    }
    const std::optional<QString> answer =
        m_dialogs.inputText(QStringLiteral("Nuovo codice al posto di ") + oldCode, kProgramTitle);
    if (!answer || answer->isEmpty())
        return std::nullopt;
    const std::optional<qlonglong> newCode = archive::wholeNumber(*answer);
    if (!newCode) {
        m_dialogs.message(QStringLiteral("Il nuovo codice deve essere un numero intero"), Dialogs::Icon::Critical);
        return std::nullopt;
    }
    const QString newText = QString::number(*newCode);
    // A new record is not in the register yet: only its proposed code changes, and the
    // save checks it.
    if (m_newRecord)
        return newText;
    std::optional<AthleteRecord> other;
    if (!findInRegister(archive::codeCriterion(newText), other))
        return std::nullopt;
    if (other) {
        m_dialogs.message(QStringLiteral("Codice esistente (") + other->name +
                          QStringLiteral("). Non puoi sovrascriverlo"));
        return std::nullopt;
    }
    DataSource& view = m_sources.workingView;
    // Only the record whose code is on show may take the new code.
    if (displayText(view.field(QStringLiteral("codatl"))) != oldCode) {
        bool failed = false;
        if (!findInView(oldCode, &failed)) {
            if (!failed)
                m_dialogs.message(QStringLiteral("Codice ") + oldCode + QStringLiteral(" non registrato"));
            return std::nullopt;
        }
    }
    Status status = view.edit();
    if (status)
        status = view.setField(QStringLiteral("codatl"), *newCode);
    if (status)
        status = view.update();
    if (!status) {
        view.cancelUpdate();
        m_dialogs.message(QStringLiteral("Impossibile cambiare il codice: ") + status.description,
                          Dialogs::Icon::Critical);
        return std::nullopt;
    }
    showInNavigator(archive::codeCriterion(newText));
    m_dialogs.message(QStringLiteral("Controlla che nel file non abbia usato il vecchio codice"));
    return newText;
}

bool ArchiveFlow::close(const AthleteRecord& boxes, std::optional<ArchiveBox>* missing) {
    const std::pair<ArchiveBox, const QString*> required[] = {
        {ArchiveBox::Name, &boxes.name},
        {ArchiveBox::Year, &boxes.year},
        {ArchiveBox::Club, &boxes.club},
        {ArchiveBox::Sex, &boxes.sex},
    };
    for (const auto& [box, text] : required) {
        if (text->isEmpty()) {
            if (missing)
                *missing = box;
            return false;
        }
    }
    RegistrationDesk* desk = m_desks ? m_desks->registrationDesk() : nullptr;
    if (!m_forRegistration || !desk || !desk->isShown())
        return true;
    // A refused save hands nothing back: the code would name no athlete, or another one.
    if (m_newRecord && !save(boxes))
        return false;
    const std::optional<qlonglong> code = archive::wholeNumber(boxes.code);
    m_desks->bindDataSources();
    desk->lookUpAthlete(code ? QString::number(*code) : boxes.code);
    return true;
}

QString ArchiveFlow::enterName(const QString& typed) {
    if (!m_newRecord)
        return typed;
    const QString name = typed.toUpper();
    std::optional<AthleteRecord> other;
    if (!name.isEmpty() && findInRegister(archive::doubleQuotedNameCriterion(name), other) && other) {
        // Either answer leaves the entry as it is; the save asks again and stops on No.
        (void)m_dialogs.askYesNo(QStringLiteral("Attenzione esiste già:\r\nCodice=") + other->code + QLatin1Char('-') +
                                     other->name + QLatin1Char('-') + other->club +
                                     QStringLiteral("\r\nVuoi proseguire ?"),
                                 Dialogs::Answer::Yes, Dialogs::Icon::Critical);
    }
    return name;
}

QString ArchiveFlow::enterClub(const QString& typed) {
    const QString club = typed.toUpper();
    if (!clubListed(club)) {
        // Either answer leaves the club as typed: leaving the box checks it again.
        (void)m_dialogs.askOkCancel(QStringLiteral("Società inesistente. Seleziona dalla lista"), Dialogs::Answer::Ok,
                                    Dialogs::Icon::Critical);
    }
    return club;
}

bool ArchiveFlow::leaveClub(const QString& club) {
    if (club.isEmpty() || clubListed(club))
        return true;
    m_dialogs.message(QStringLiteral("Società non esistente, inserirla"));
    return false;
}

void ArchiveFlow::moveNavigator(NavigatorMove move) {
    DataSource& navigator = m_sources.navigator;
    Status status;
    switch (move) {
    case NavigatorMove::First:
        status = navigator.moveFirst();
        break;
    case NavigatorMove::Previous:
        if (navigator.position() > 0)
            status = navigator.movePrevious();
        break;
    case NavigatorMove::Next:
        if (navigator.position() + 1 < navigator.rowCount())
            status = navigator.moveNext();
        break;
    case NavigatorMove::Last:
        status = navigator.moveLast();
        break;
    }
    // An empty register has nowhere to move to: nothing to tell.
    if (status.number != err::NoCurrentRecord)
        reported(status);
}

} // namespace onda
