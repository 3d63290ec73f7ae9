#include "lenex/LenexFlows.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/Operation.h"
#include "core/ProgramValues.h"
#include "core/SavePath.h"
#include "core/WindowHost.h"
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

void SaveEntriesAsLenex(AppState& state) {
    const Operation operation;
    if (!operation)
        return;
    const QString number = state.currentCompetition();
    if (number.isEmpty()) {
        state.dialogs.message(QStringLiteral("Inserire il numero di prova"));
        return;
    }
    const QString path = chooseSavePath(state, QStringLiteral("File LENEX (*.lxf)|*.lxf|Tutti i file (*.*)|*.*"),
                                        state.club + QLatin1Char('_') + number + QStringLiteral(".lxf"));
    if (path.isEmpty())
        return;
    lenex::Document document;
    Status status;
    QString failure;
    const QString databasePath = state.databasePath;
    const QString club = state.club;
    waitFor([&] {
        status = lenex::entriesDocument(databasePath, number, club, document);
        document.constructor = {kProgramTitle,
                                QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision),
                                club, kServiceMailAddress};
        const auto& clubs = document.meets.value(0).clubs;
        const bool empty = clubs.isEmpty() || (clubs.first().athletes.isEmpty() && clubs.first().relays.isEmpty());
        if (status && !empty)
            failure = lenex::writeArchive(document, path);
        else if (status)
            failure = QStringLiteral("Non ci sono iscrizioni della societa' ") + club +
                      QStringLiteral(" in questa manifestazione: il file non e' stato scritto.");
    });
    if (!status)
        state.dialogs.message(databaseFailure(status), Dialogs::Icon::Critical);
    else if (!failure.isEmpty())
        state.dialogs.message(failure, Dialogs::Icon::Critical);
    else
        state.dialogs.message(QStringLiteral("File LENEX registrato in ") + QDir::toNativeSeparators(path));
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
                status = lenex::importResults(databasePath, document, club, summary);
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
        if (!notFound.isEmpty()) {
            // A list the message box can hold: the first names, then how many more.
            constexpr qsizetype kListed = 30;
            QStringList listed;
            for (const QString& name : notFound.first(std::min(notFound.size(), kListed)))
                listed << readable(name);
            if (notFound.size() > kListed)
                listed.last() += QStringLiteral(" e altri %1").arg(notFound.size() - kListed);
            lines << QStringLiteral("Atleti del file non trovati nell'archivio: ") + listed.join(QStringLiteral(", ")) +
                         QLatin1Char('.');
        }
    }
    lines << failures;
    state.dialogs.message(lines.join(QStringLiteral("\r\n")),
                          failures.isEmpty() ? Dialogs::Icon::Information : Dialogs::Icon::Warning);
}

} // namespace onda
