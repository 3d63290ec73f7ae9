#include "lenex/LenexFlows.h"

#include "core/AppState.h"
#include "core/Clock.h"
#include "core/CompetitionChosen.h"
#include "core/Dialogs.h"
#include "core/Operation.h"
#include "core/ProgramValues.h"
#include "core/SavePath.h"
#include "core/Settings.h"
#include "core/WindowHost.h"
#include "lenex/EntryChecks.h"
#include "lenex/LenexData.h"
#include "lenex/LenexReader.h"
#include "lenex/LenexWriter.h"

#include <QDir>
#include <QSet>

#include <algorithm>

namespace onda {

namespace {

const QString kFilter = QStringLiteral("File LENEX (*.lxf *.lef)|*.lxf;*.lef|Tutti i file (*.*)|*.*");

// A name from a file as a message shows it: a hostile file's can be as long as a page.
QString readable(const QString& name) {
    constexpr qsizetype kShown = 60;
    return name.size() > kShown ? name.left(kShown) + QStringLiteral("...") : name;
}

QString databaseFailure(const Status& status) {
    return QStringLiteral("Errore nel database: ") + status.description;
}

// A list the message box can hold: the first names, each readable, then how many more.
QString shortList(const QStringList& items) {
    constexpr qsizetype kListed = 30;
    QStringList listed;
    for (const QString& name : items.first(std::min(items.size(), kListed)))
        listed << readable(name);
    if (items.size() > kListed)
        listed.last() += QStringLiteral(" e altri %1").arg(items.size() - kListed);
    return listed.join(QStringLiteral(", "));
}

} // namespace

FlowResult LenexFlows::failed(const QString& message) {
    m_dialogs.message(message, Dialogs::Icon::Critical);
    return FlowResult::failed(message);
}

QString LenexFlows::clubForImport() {
    if (!m_state.club.isEmpty())
        return m_state.club;
    const std::optional<QString> typed =
        m_dialogs.inputText(QStringLiteral("Codice della societa' (come su Ondaweb):"), kProgramTitle);
    if (!typed || typed->trimmed().isEmpty())
        return {};
    // Asked once: the program goes on with it, as after a login.
    m_state.session.setClub(typed->trimmed().toUpper());
    return m_state.club;
}

bool LenexFlows::knownCourse(const QString& number) {
    if (lenex::madeFromInvitation(m_state.databasePath, number) ||
        !lenex::competitionCourse(m_state.databasePath, number).isEmpty())
        return true;
    for (;;) {
        const std::optional<QString> typed =
            m_dialogs.inputText(QStringLiteral("In che vasca si svolge la manifestazione? Scrivi 25 o 50 (metri):"),
                                kProgramTitle, QStringLiteral("25"));
        if (!typed)
            return false;
        const QString length = typed->trimmed();
        if (length == QLatin1String("25") || length == QLatin1String("50")) {
            const Status kept = lenex::keepCompetitionCourse(m_state.databasePath, number,
                                                             length == QLatin1String("50") ? QStringLiteral("LCM")
                                                                                           : QStringLiteral("SCM"));
            if (!kept)
                m_dialogs.message(databaseFailure(kept), Dialogs::Icon::Critical);
            return bool(kept);
        }
        m_dialogs.message(QStringLiteral("Scrivi 25 oppure 50."), Dialogs::Icon::Warning);
    }
}

std::optional<lenex::ClubIdentity> LenexFlows::clubIdentity() {
    lenex::ClubIdentity club{m_state.club, lenexClubName(m_state.club), lenexClubNation(m_state.club)};
    if (!club.name.isEmpty())
        return club;
    const std::optional<QString> typed = m_dialogs.inputText(
        QStringLiteral("Nome della societa' ") + m_state.club +
            QStringLiteral(" come deve comparire nei file LENEX (si cambia da File > Dati della societa' per LENEX):"),
        kProgramTitle, m_state.club);
    if (!typed)
        return std::nullopt;
    club.name = typed->trimmed().isEmpty() ? m_state.club : typed->trimmed();
    setLenexClub(m_state.club, club.name, club.nation);
    return club;
}

FlowResult LenexFlows::saveEntries() {
    const Operation operation;
    if (!operation)
        return FlowResult::cancelled();
    if (!competitionNumberGiven(m_state))
        return FlowResult::cancelled();
    const QString number = m_state.currentCompetition();
    if (!knownCourse(number))
        return FlowResult::cancelled();
    if (const QDateTime deadline = lenex::entryDeadline(m_state.databasePath, number);
        deadline.isValid() && Clock::now() > deadline &&
        m_dialogs.askYesNo(lenex::lateSaveQuestion(deadline), Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return FlowResult::cancelled();
    const std::optional<lenex::ClubIdentity> club = clubIdentity();
    if (!club)
        return FlowResult::cancelled();
    lenex::Document document;
    lenex::EntriesProblems problems;
    Status status;
    const QString databasePath = m_state.databasePath;
    waitFor([&] { status = lenex::entriesDocument(databasePath, number, *club, document, problems); });
    if (!status) {
        return failed(databaseFailure(status));
    }
    if (!problems.withoutYear.isEmpty()) {
        return failed(
            QStringLiteral("Il file LENEX non e' stato scritto: i programmi delle gare vogliono la data di nascita, e "
                           "questi atleti non hanno l'anno di nascita nell'archivio: ") +
            shortList(problems.withoutYear) +
            QStringLiteral(".\r\nCompleta l'archivio (Esamina > DataBase Atleti) e salva di nuovo."));
    }
    const auto& clubs = document.meets.value(0).clubs;
    if (clubs.isEmpty() || (clubs.first().athletes.isEmpty() && clubs.first().relays.isEmpty())) {
        return failed(QStringLiteral("Non ci sono iscrizioni della societa' ") + m_state.club +
                      QStringLiteral(" in questa manifestazione: il file non e' stato scritto."));
    }
    const QString path = chooseSavePath(m_state, QStringLiteral("File LENEX (*.lxf)|*.lxf|Tutti i file (*.*)|*.*"),
                                        m_state.club + QLatin1Char('_') + number + QStringLiteral(".lxf"));
    if (path.isEmpty())
        return FlowResult::cancelled();
    document.constructor = {kProgramTitle,
                            QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision),
                            m_state.club, kServiceMailAddress};
    QString failure;
    waitFor([&] { failure = lenex::writeArchive(document, path); });
    if (!failure.isEmpty()) {
        return failed(failure);
    }
    QString done = QStringLiteral("File LENEX registrato in ") + QDir::toNativeSeparators(path);
    if (problems.notWritten.isEmpty()) {
        m_dialogs.message(done);
        return FlowResult::done(path);
    }
    done += QStringLiteral("\r\nQueste iscrizioni non sono nel file perche' la loro gara non e' tra quelle "
                           "dell'invito: ") +
            shortList(problems.notWritten) + QLatin1Char('.');
    m_dialogs.message(done, Dialogs::Icon::Warning);
    return FlowResult::done(path);
}

FlowResult LenexFlows::editClub() {
    if (m_state.club.isEmpty() && clubForImport().isEmpty())
        return FlowResult::cancelled();
    const std::optional<QString> name = m_dialogs.inputText(
        QStringLiteral("Nome della societa' ") + m_state.club + QStringLiteral(" nei file LENEX:"), kProgramTitle,
        lenexClubName(m_state.club).isEmpty() ? m_state.club : lenexClubName(m_state.club));
    if (!name)
        return FlowResult::cancelled();
    const std::optional<QString> nation =
        m_dialogs.inputText(QStringLiteral("Nazione della societa' (codice di tre lettere, per esempio ITA):"),
                            kProgramTitle, lenexClubNation(m_state.club));
    if (!nation)
        return FlowResult::cancelled();
    setLenexClub(m_state.club, name->trimmed().isEmpty() ? m_state.club : *name, nation->trimmed().left(3));
    m_dialogs.message(QStringLiteral("Dati della societa' per i file LENEX registrati."));
    return FlowResult::done();
}

FlowResult LenexFlows::importInvitation() {
    const Operation operation;
    if (!operation)
        return FlowResult::cancelled();
    const QStringList paths = m_dialogs.openFileNames(QStringLiteral("Importa invito LENEX"), kFilter, false);
    if (paths.isEmpty())
        return FlowResult::cancelled();
    const QString path = paths.first();
    lenex::Document document;
    lenex::ReadOutcome read;
    waitFor([&] { read = lenex::readFile(path, document); });
    if (!read.ok) {
        return failed(read.message);
    }
    const lenex::Meet* meet = nullptr;
    for (const lenex::Meet& m : document.meets) {
        if (m.eventCount() > 0) {
            meet = &m;
            break;
        }
    }
    if (!meet) {
        return failed(QStringLiteral("Il file ") + QDir::toNativeSeparators(path) +
                      QStringLiteral(" non contiene gare: nessuna manifestazione e' stata creata."));
    }
    const QString club = clubForImport();
    if (club.isEmpty())
        return FlowResult::cancelled();
    QString number;
    Status status;
    const QString databasePath = m_state.databasePath;
    const QString userId = m_state.userId;
    waitFor([&] { status = lenex::importInvitation(databasePath, *meet, userId, club, number); });
    if (!status) {
        return failed(databaseFailure(status) + QStringLiteral("\r\nNessuna manifestazione e' stata creata."));
    }
    m_workspace.FillCompetitionGrid();
    m_dialogs.message(QStringLiteral("Manifestazione \"") + readable(meet->name) +
                      QStringLiteral("\" creata con il numero ") + number +
                      QStringLiteral(": selezionala nell'elenco e premi \"Iscrizioni\"."));
    return FlowResult::done(path);
}

FlowResult LenexFlows::importResults() {
    const Operation operation;
    if (!operation)
        return FlowResult::cancelled();
    const QStringList paths = m_dialogs.openFileNames(QStringLiteral("Importa risultati LENEX"), kFilter, true);
    if (paths.isEmpty())
        return FlowResult::cancelled();
    const QString club = clubForImport();
    if (club.isEmpty())
        return FlowResult::cancelled();
    const lenex::ClubIdentity identity{club, lenexClubName(club), lenexClubNation(club)};
    int times = 0;
    QSet<QString> athletes;
    QStringList notFound;
    QStringList failures;
    const QString databasePath = m_state.databasePath;
    for (const QString& path : paths) {
        lenex::Document document;
        lenex::ReadOutcome read;
        lenex::ResultsSummary summary;
        Status status;
        waitFor([&] {
            read = lenex::readFile(path, document);
            if (read.ok)
                status = lenex::importResults(databasePath, document, identity, summary);
        });
        if (!read.ok) {
            failures << read.message;
        } else if (!status) {
            failures << QDir::toNativeSeparators(path) + QStringLiteral(": ") + databaseFailure(status);
        } else if (!summary.clubFound) {
            failures << QStringLiteral("Il file ") + QDir::toNativeSeparators(path) +
                            QStringLiteral(" non contiene risultati della societa' ") + club + QLatin1Char('.');
        } else {
            times += summary.times;
            for (const QString& code : summary.athletes)
                athletes.insert(code);
            for (const QString& name : summary.notFound) {
                if (!notFound.contains(name))
                    notFound << name;
            }
        }
    }
    QStringList lines;
    if (failures.size() < paths.size()) {
        lines << QStringLiteral("Letti %1 tempi per %2 atleti.").arg(times).arg(athletes.size());
        if (!notFound.isEmpty())
            lines << QStringLiteral("Atleti del file non trovati nell'archivio: ") + shortList(notFound) +
                         QLatin1Char('.');
    }
    lines << failures;
    const QString said = lines.join(QStringLiteral("\r\n"));
    m_dialogs.message(said, failures.isEmpty() ? Dialogs::Icon::Information : Dialogs::Icon::Warning);
    if (failures.isEmpty())
        return FlowResult::done();
    return {failures.size() < paths.size() ? FlowOutcome::Done : FlowOutcome::Failed, said, {}};
}

} // namespace onda
