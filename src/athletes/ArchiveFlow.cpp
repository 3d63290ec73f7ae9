#include "athletes/ArchiveFlow.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/ProgramValues.h"
#include "core/Settings.h"
#include "core/WindowHost.h"
#include "store/SqlFunctions.h"

#include <algorithm>

namespace onda {

ArchiveFlow::ArchiveFlow(AppState& state, Dialogs& dialogs, Port& port, WindowHost* desks)
    : m_state(state), m_desks(desks), m_dialogs(dialogs), m_port(port), m_register(state.databasePath) {}

void ArchiveFlow::setNewRecord(bool on) {
    if (m_newRecord == on)
        return;
    m_newRecord = on;
    m_port.showNewRecord(on);
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

std::optional<StoredAthlete> ArchiveFlow::findShown(const QString& code, bool* failed) {
    *failed = false;
    // The athlete on show stays found until a write finds it changed or gone.
    if (m_current && m_current->code() == code)
        return m_current;
    std::optional<StoredAthlete> found;
    Status status = m_scope ? m_register.findInScope(*m_scope, code, found) : Status{};
    // A row added or rewritten since the athletes were read is shown whatever its club now.
    if (status && !found && !m_added.isEmpty()) {
        status = m_register.findByCode(code, found);
        if (found && !m_added.contains(found->row) && !m_readNames.contains(found->row))
            found.reset();
    }
    *failed = !reported(status);
    if (found)
        m_current = found;
    return found;
}

bool ArchiveFlow::clubListed(const QString& club) {
    bool listed = false;
    // A register that cannot be read lists no club, as its list box shows none: the user is
    // told the club is not listed.
    (void)m_register.clubListed(club, listed);
    return listed;
}

Status ArchiveFlow::showScope(const AthleteScope& scope) {
    m_scope = scope;
    m_current.reset();
    m_added.clear();
    m_readNames.clear();
    return m_port.showAthletes(scope);
}

namespace {

// Whether a row comes after another in the order of the club's athletes: by name, a row
// without one first, then as stored.
bool comesAfter(const QVariant& name, qlonglong row, const QVariant& otherName, qlonglong otherRow) {
    if (name.isNull() != otherName.isNull())
        return otherName.isNull();
    const int order = name.isNull() ? 0 : detail::compareNoCase(name.toString(), otherName.toString());
    return order != 0 ? order > 0 : row > otherRow;
}

} // namespace

bool ArchiveFlow::lastShown(const StoredAthlete& athlete, Status& status) {
    if (const qsizetype at = m_added.indexOf(athlete.row); at >= 0)
        return at == m_added.size() - 1;
    if (!m_added.isEmpty() || !m_scope)
        return false;
    const QVariant name = m_readNames.value(athlete.row, athlete.fields.value(1));
    for (auto it = m_readNames.cbegin(); it != m_readNames.cend(); ++it) {
        if (it.key() != athlete.row && comesAfter(it.value(), it.key(), name, athlete.row))
            return false;
    }
    // The rows rewritten since stand where they were read, not where the register now puts them.
    QList<qlonglong> after;
    status = m_register.rowsAfter(*m_scope, name, athlete.row, int(m_readNames.size()) + 1, after);
    return status &&
           std::all_of(after.cbegin(), after.cend(), [this](qlonglong row) { return m_readNames.contains(row); });
}

void ArchiveFlow::keepPlace(const StoredAthlete& before) {
    // The whole register stands as stored, where a new name moves nothing.
    if (m_scope && !m_scope->wholeRegister && !m_added.contains(before.row) && !m_readNames.contains(before.row))
        m_readNames.insert(before.row, before.fields.value(1));
}

bool ArchiveFlow::openOnClubAthletes() {
    m_forRegistration = false;
    return readable(m_dialogs, showScope(AthleteScope::clubAthletes(m_state.club)));
}

NewAthleteStart ArchiveFlow::openForNewAthlete() {
    // A window opened afresh shows the whole register; otherwise it keeps its athletes.
    if (!readable(m_dialogs, m_scope ? m_register.readable() : showScope(AthleteScope::whole())))
        return {};
    m_current.reset();
    m_added.clear();
    m_readNames.clear();
    NewAthleteStart start;
    start.typedCode = usageMode() == archive::kTypedCodeMode;
    if (!start.typedCode)
        start.code = QString::number(m_register.firstFreeProvisionalCode());
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
        if (const std::optional<StoredAthlete> found = findShown(code, &failed))
            return {CodeLookup::Outcome::Found, found->record()};
        if (failed)
            return {};
        m_dialogs.message(QStringLiteral("Codice ") + code + QStringLiteral(" non registrato"));
        return {CodeLookup::Outcome::NotRegistered, {}};
    }
    std::optional<StoredAthlete> other;
    if (!readable(m_dialogs, m_register.findByCode(code, other)))
        return {};
    if (other) {
        const AthleteRecord record = other->record();
        m_dialogs.message(QStringLiteral("Codice ") + code + QStringLiteral(" già registrato: ") + record.name +
                          QStringLiteral(" - ") + record.club);
        return {CodeLookup::Outcome::Taken, record};
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
    const auto refused = [&](const Status& status) {
        m_dialogs.message(QStringLiteral("Impossibile registrare l'atleta: ") + status.description,
                          Dialogs::Icon::Critical);
        return false;
    };
    StoredAthlete written;
    WrittenAthlete shown{record.code, WrittenAthlete::Change::Added};
    if (m_newRecord) {
        std::optional<StoredAthlete> found;
        if (!readable(m_dialogs, m_register.findByCode(record.code, found)))
            return false;
        if (found) {
            m_dialogs.message(QStringLiteral("Codice esistente. Non puoi sovrascriverlo"));
            return false;
        }
        std::optional<StoredAthlete> namesake;
        if (!readable(m_dialogs, m_register.findByName(record.name, namesake)))
            return false;
        if (namesake) {
            const AthleteRecord other = namesake->record();
            const QString question = QStringLiteral("Esiste gia' un nome cosi': ") + other.name +
                                     QStringLiteral(" - ") + other.club + QStringLiteral(". Vuoi proseguire");
            if (m_dialogs.askYesNo(question, Dialogs::Answer::Yes) != Dialogs::Answer::Yes)
                return false;
        }
        if (const Status added = m_register.insert(record, written); !added)
            return refused(added);
        m_added << written.row;
    } else {
        bool failed = false;
        const std::optional<StoredAthlete> before = findShown(record.code, &failed);
        if (!before) {
            // Nothing written is said: the user may have meant a new athlete.
            if (!failed)
                m_dialogs.message(QStringLiteral("Il codice ") + record.code +
                                  QStringLiteral(" non e' tra gli atleti dell'archivio mostrati: nulla e' stato "
                                                 "registrato. Per un atleta nuovo premi \"Nuovo\"."));
            return false;
        }
        keepPlace(*before);
        if (const Status changed = m_register.update(*before, record, written); !changed) {
            // A row changed or deleted by another program meanwhile is no longer the one shown.
            if (changed.number == err::RecordDeleted)
                m_current.reset();
            return refused(changed);
        }
        // The shown athletes are chosen by club and kind and ordered by name: with those kept,
        // the window moves the row where its name goes instead of reading them all again.
        const AthleteRecord was = before->record(), is = written.record();
        shown.change = was.club != is.club || was.team != is.team ? WrittenAthlete::Change::Reselected
                       : was.name != is.name                      ? WrittenAthlete::Change::Renamed
                                                                  : WrittenAthlete::Change::InPlace;
    }
    m_current = written;
    setNewRecord(false);
    reported(m_port.showWritten(shown));
    return true;
}

Deletion ArchiveFlow::remove(const QString& code) {
    bool failed = false;
    const std::optional<StoredAthlete> shown = findShown(code, &failed);
    if (!shown) {
        if (!failed)
            m_dialogs.message(QStringLiteral("Codice non esistente"));
        return Deletion::Refused;
    }
    if (m_dialogs.askYesNo(QStringLiteral("Sei sicuro di voler cancellare questo atleta?"), Dialogs::Answer::No) !=
        Dialogs::Answer::Yes)
        return Deletion::Kept;
    // Asked before the row goes: whether any athlete shown follows it.
    Status status;
    const bool last = lastShown(*shown, status);
    if (status)
        status = m_register.remove(*shown);
    if (status.number == err::RecordDeleted || status.ok())
        m_current.reset();
    if (!reported(status))
        return Deletion::Refused;
    m_added.removeOne(shown->row);
    m_readNames.remove(shown->row);
    if (last) {
        m_dialogs.message(QStringLiteral("Ultimo record"));
        return Deletion::LastRecord;
    }
    reported(m_port.showRemoved());
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
    std::optional<StoredAthlete> other;
    if (!readable(m_dialogs, m_register.findByCode(newText, other)))
        return std::nullopt;
    if (other) {
        m_dialogs.message(QStringLiteral("Codice esistente (") + other->record().name +
                          QStringLiteral("). Non puoi sovrascriverlo"));
        return std::nullopt;
    }
    // Only the record whose code is on show may take the new code.
    bool failed = false;
    const std::optional<StoredAthlete> shown = findShown(oldCode, &failed);
    if (!shown) {
        if (!failed)
            m_dialogs.message(QStringLiteral("Codice ") + oldCode + QStringLiteral(" non registrato"));
        return std::nullopt;
    }
    keepPlace(*shown);
    StoredAthlete written;
    if (const Status status = m_register.changeCode(*shown, *newCode, written); !status) {
        if (status.number == err::RecordDeleted)
            m_current.reset();
        m_dialogs.message(QStringLiteral("Impossibile cambiare il codice: ") + status.description,
                          Dialogs::Icon::Critical);
        return std::nullopt;
    }
    m_current = written;
    reported(m_port.showWritten({newText, WrittenAthlete::Change::Reselected}));
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
    std::optional<StoredAthlete> found;
    if (!name.isEmpty() && readable(m_dialogs, m_register.findByName(name, found)) && found) {
        const AthleteRecord other = found->record();
        // Either answer leaves the entry as it is; the save asks again and stops on No.
        (void)m_dialogs.askYesNo(QStringLiteral("Attenzione esiste già:\r\nCodice=") + other.code + QLatin1Char('-') +
                                     other.name + QLatin1Char('-') + other.club +
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

} // namespace onda
