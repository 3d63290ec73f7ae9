#include "lenex/LenexFlows.h"

#include "core/AppState.h"
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

// The club the imported data belong to: the program's, or asked for when none is known yet.
QString clubForImport(AppState& state) {
    if (!state.club.isEmpty())
        return state.club;
    const std::optional<QString> typed =
        state.dialogs.inputText(QStringLiteral("Codice della societa' (come su Ondaweb):"), kProgramTitle);
    if (!typed || typed->trimmed().isEmpty())
        return {};
    // Asked once: the program goes on with it, as after a login.
    state.club = typed->trimmed().toUpper();
    if (state.windows)
        state.windows->workspaceView()->setClubLabel(state.club);
    return state.club;
}

} // namespace

namespace {

// The competition's pool, asked once for a competition of the service; false when cancelled or not kept.
bool knownCourse(AppState& state, const QString& number) {
    if (lenex::madeFromInvitation(state.databasePath, number) ||
        !lenex::competitionCourse(state.databasePath, number).isEmpty())
        return true;
    for (;;) {
        const std::optional<QString> typed =
            state.dialogs.inputText(QStringLiteral("In che vasca si svolge la manifestazione? Scrivi 25 o 50 (metri):"),
                                    kProgramTitle, QStringLiteral("25"));
        if (!typed)
            return false;
        const QString length = typed->trimmed();
        if (length == QLatin1String("25") || length == QLatin1String("50")) {
            const Status kept = lenex::keepCompetitionCourse(state.databasePath, number,
                                                             length == QLatin1String("50") ? QStringLiteral("LCM")
                                                                                           : QStringLiteral("SCM"));
            if (!kept)
                state.dialogs.message(databaseFailure(kept), Dialogs::Icon::Critical);
            return bool(kept);
        }
        state.dialogs.message(QStringLiteral("Scrivi 25 oppure 50."), Dialogs::Icon::Warning);
    }
}

// The club as LENEX files name it; its name is asked the first time. Nothing when cancelled.
std::optional<lenex::ClubIdentity> clubIdentity(AppState& state) {
    lenex::ClubIdentity club{state.club, lenexClubName(state.club), lenexClubNation(state.club)};
    if (!club.name.isEmpty())
        return club;
    const std::optional<QString> typed = state.dialogs.inputText(
        QStringLiteral("Nome della societa' ") + state.club +
            QStringLiteral(" come deve comparire nei file LENEX (si cambia da File > Dati della societa' per LENEX):"),
        kProgramTitle, state.club);
    if (!typed)
        return std::nullopt;
    club.name = typed->trimmed().isEmpty() ? state.club : typed->trimmed();
    setLenexClub(state.club, club.name, club.nation);
    return club;
}

} // namespace

void SaveEntriesAsLenex(AppState& state) {
    const Operation operation;
    if (!operation)
        return;
    const QString number = state.currentCompetition();
    if (number.isEmpty()) {
        state.dialogs.message(QStringLiteral("Inserire il numero di prova"));
        return;
    }
    if (!knownCourse(state, number))
        return;
    if (const QDateTime deadline = lenex::entryDeadline(state.databasePath, number);
        deadline.isValid() && QDateTime::currentDateTime() > deadline &&
        state.dialogs.askYesNo(lenex::lateSaveQuestion(deadline), Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return;
    const std::optional<lenex::ClubIdentity> club = clubIdentity(state);
    if (!club)
        return;
    lenex::Document document;
    lenex::EntriesProblems problems;
    Status status;
    const QString databasePath = state.databasePath;
    waitFor([&] { status = lenex::entriesDocument(databasePath, number, *club, document, problems); });
    if (!status) {
        state.dialogs.message(databaseFailure(status), Dialogs::Icon::Critical);
        return;
    }
    if (!problems.withoutYear.isEmpty()) {
        state.dialogs.message(
            QStringLiteral("Il file LENEX non e' stato scritto: i programmi delle gare vogliono la data di nascita, e "
                           "questi atleti non hanno l'anno di nascita nell'archivio: ") +
                shortList(problems.withoutYear) +
                QStringLiteral(".\r\nCompleta l'archivio (Esamina > DataBase Atleti) e salva di nuovo."),
            Dialogs::Icon::Critical);
        return;
    }
    const auto& clubs = document.meets.value(0).clubs;
    if (clubs.isEmpty() || (clubs.first().athletes.isEmpty() && clubs.first().relays.isEmpty())) {
        state.dialogs.message(QStringLiteral("Non ci sono iscrizioni della societa' ") + state.club +
                                  QStringLiteral(" in questa manifestazione: il file non e' stato scritto."),
                              Dialogs::Icon::Critical);
        return;
    }
    const QString path = chooseSavePath(state, QStringLiteral("File LENEX (*.lxf)|*.lxf|Tutti i file (*.*)|*.*"),
                                        state.club + QLatin1Char('_') + number + QStringLiteral(".lxf"));
    if (path.isEmpty())
        return;
    document.constructor = {kProgramTitle,
                            QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision),
                            state.club, kServiceMailAddress};
    QString failure;
    waitFor([&] { failure = lenex::writeArchive(document, path); });
    if (!failure.isEmpty()) {
        state.dialogs.message(failure, Dialogs::Icon::Critical);
        return;
    }
    QString done = QStringLiteral("File LENEX registrato in ") + QDir::toNativeSeparators(path);
    if (problems.notWritten.isEmpty()) {
        state.dialogs.message(done);
        return;
    }
    done += QStringLiteral("\r\nQueste iscrizioni non sono nel file perche' la loro gara non e' tra quelle "
                           "dell'invito: ") +
            shortList(problems.notWritten) + QLatin1Char('.');
    state.dialogs.message(done, Dialogs::Icon::Warning);
}

void EditLenexClub(AppState& state) {
    if (state.club.isEmpty() && clubForImport(state).isEmpty())
        return;
    const std::optional<QString> name = state.dialogs.inputText(
        QStringLiteral("Nome della societa' ") + state.club + QStringLiteral(" nei file LENEX:"), kProgramTitle,
        lenexClubName(state.club).isEmpty() ? state.club : lenexClubName(state.club));
    if (!name)
        return;
    const std::optional<QString> nation =
        state.dialogs.inputText(QStringLiteral("Nazione della societa' (codice di tre lettere, per esempio ITA):"),
                                kProgramTitle, lenexClubNation(state.club));
    if (!nation)
        return;
    setLenexClub(state.club, name->trimmed().isEmpty() ? state.club : *name, nation->trimmed().left(3));
    state.dialogs.message(QStringLiteral("Dati della societa' per i file LENEX registrati."));
}

void ImportLenexInvitation(AppState& state) {
    const Operation operation;
    if (!operation)
        return;
    const QStringList paths = state.dialogs.openFileNames(QStringLiteral("Importa invito LENEX"), kFilter, false);
    if (paths.isEmpty())
        return;
    const QString path = paths.first();
    lenex::Document document;
    lenex::ReadOutcome read;
    waitFor([&] { read = lenex::readFile(path, document); });
    if (!read.ok) {
        state.dialogs.message(read.message, Dialogs::Icon::Critical);
        return;
    }
    const lenex::Meet* meet = nullptr;
    for (const lenex::Meet& m : document.meets) {
        if (m.eventCount() > 0) {
            meet = &m;
            break;
        }
    }
    if (!meet) {
        state.dialogs.message(QStringLiteral("Il file ") + QDir::toNativeSeparators(path) +
                                  QStringLiteral(" non contiene gare: nessuna manifestazione e' stata creata."),
                              Dialogs::Icon::Critical);
        return;
    }
    const QString club = clubForImport(state);
    if (club.isEmpty())
        return;
    QString number;
    Status status;
    const QString databasePath = state.databasePath;
    const QString userId = state.userId;
    waitFor([&] { status = lenex::importInvitation(databasePath, *meet, userId, club, number); });
    if (!status) {
        state.dialogs.message(databaseFailure(status) + QStringLiteral("\r\nNessuna manifestazione e' stata creata."),
                              Dialogs::Icon::Critical);
        return;
    }
    if (state.windows)
        state.windows->workspaceView()->FillCompetitionGrid();
    state.dialogs.message(QStringLiteral("Manifestazione \"") + readable(meet->name) +
                          QStringLiteral("\" creata con il numero ") + number +
                          QStringLiteral(": selezionala nell'elenco e premi \"Iscrizioni\"."));
}

void ImportLenexResults(AppState& state) {
    const Operation operation;
    if (!operation)
        return;
    const QStringList paths = state.dialogs.openFileNames(QStringLiteral("Importa risultati LENEX"), kFilter, true);
    if (paths.isEmpty())
        return;
    const QString club = clubForImport(state);
    if (club.isEmpty())
        return;
    const lenex::ClubIdentity identity{club, lenexClubName(club), lenexClubNation(club)};
    int times = 0;
    QSet<QString> athletes;
    QStringList notFound;
    QStringList failures;
    const QString databasePath = state.databasePath;
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
    state.dialogs.message(lines.join(QStringLiteral("\r\n")),
                          failures.isEmpty() ? Dialogs::Icon::Information : Dialogs::Icon::Warning);
}

} // namespace onda
