#include "service/OnlineFlows.h"

#include "athletes/ArchiveRules.h"
#include "core/AppState.h"
#include "core/CompetitionChosen.h"
#include "core/Dialogs.h"
#include "core/Operation.h"
#include "core/ProgramValues.h"
#include "ftp/FTP.h"
#include "service/OnlineImport.h"
#include "service/ServiceFeedback.h"
#include "service/UploadTarget.h"
#include "store/DatabaseCopies.h"
#include "transfer/TransferExport.h"

#include <QFileInfo>
#include <QHash>
#include <QObject>

#include <chrono>

namespace onda {

namespace {

constexpr StepLook Unchecked = StepLook::Unchecked;
constexpr StepLook Done = StepLook::Done;
constexpr StepLook InProgress = StepLook::InProgress;
// The lines of the progress window, in the order each workflow lists them.
enum RefreshStep { RefreshLogin, RefreshStore, RefreshList };
enum ImportStep { ImportLogin, ImportCompetition, ImportCategories, ImportRaces, ImportRegistrations, ImportNote };
enum UploadStep { UploadLogin, UploadFile, UploadPut, UploadOrder };
// Lines written between two counts on the progress window.
constexpr int kToldEvery = 10000;

// The busy pointer of a workflow, restored whichever way the workflow ends.
class BusyWhile {
public:
    explicit BusyWhile(ServiceFeedback& feedback) : m_feedback(feedback) { m_feedback.setBusy(true); }
    ~BusyWhile() { m_feedback.setBusy(false); }
    BusyWhile(const BusyWhile&) = delete;
    BusyWhile& operator=(const BusyWhile&) = delete;

private:
    ServiceFeedback& m_feedback;
};

} // namespace

OnlineFlows::OnlineFlows(AppState& state, ServiceClient& client, ServiceFeedback& feedback, ServicePorts& ports)
    : m_state(state), m_client(client), m_feedback(feedback), m_ports(ports) {}

void OnlineFlows::listSteps(std::initializer_list<QString> captions) {
    int index = 0;
    for (const QString& caption : captions)
        m_ports.SetStep(index++, caption, Unchecked);
}

QString OnlineFlows::reportWriteFailure(const Status& status, const QString& kept) {
    QString what = QStringLiteral("I dati sul computer sono rimasti quelli di prima.");
    if (!kept.isEmpty()) {
        // The rows of every step are feminine: "le categorie", "la nota della manifestazione".
        const auto plural = [](const QStringList& items) {
            return items.size() > 1 || items.first().startsWith(QLatin1String("le "));
        };
        what = kept + (plural({kept}) ? QStringLiteral(" sul computer sono rimaste quelle di prima.")
                                      : QStringLiteral(" sul computer e' rimasta quella di prima."));
        if (!m_replaced.isEmpty()) {
            QStringList done = m_replaced;
            const QString last = done.takeLast();
            what = (done.isEmpty() ? last : done.join(QStringLiteral(", ")) + QStringLiteral(" e ") + last) +
                   (plural(m_replaced) ? QStringLiteral(" sono state aggiornate; ")
                                       : QStringLiteral(" e' stata aggiornata; ")) +
                   what;
        }
        what[0] = what[0].toUpper();
        for (const DatabaseCopy& copy : copies::list(m_state.databasePath)) {
            if (QFileInfo(copy.path) == QFileInfo(m_copy))
                what += QStringLiteral("\r\nPer tornare ai dati di prima dell'importazione usa File > Ripristina una "
                                       "copia... e scegli la copia del %1 alle %2, %3.")
                            .arg(copy.made.toString(QStringLiteral("dd/MM/yyyy")),
                                 copy.made.toString(QStringLiteral("HH:mm")), copies::describe(copy.reason));
        }
    }
    const QString message = QStringLiteral("Impossibile salvare i dati ricevuti da Ondaweb: ") + status.description +
                            QStringLiteral("\r\n") + what;
    m_state.dialogs.message(message, Dialogs::Icon::Warning);
    return message;
}

FlowResult OnlineFlows::refreshList() {
    const Operation operation;
    if (!operation)
        return FlowResult::cancelled();
    listSteps({QStringLiteral("Verifico la userid/PIN sul sito"),
               QStringLiteral("Aggiorno la lista delle manifestazioni"), QStringLiteral("Elenco le manifestazioni")});
    const bool loggedIn = m_ports.login();
    if (loggedIn) {
        m_ports.SetStep(RefreshLogin, {}, Done);
        m_ports.showClub(m_state.club);
        storeCompetitionList();
        m_ports.SetStep(RefreshStore, {}, Done);
        m_ports.competitionListStored();
        m_ports.SetStep(RefreshList, {}, Done);
    }
    // Half a second for the user to see the steps.
    pauseFor(std::chrono::milliseconds(500));
    m_ports.closeProgress();
    return loggedIn ? FlowResult::done() : FlowResult::cancelled();
}

void OnlineFlows::storeCompetitionList() {
    const BusyWhile busy(m_feedback);
    m_feedback.setStatusText(QStringLiteral("Mi sto collegando a ") + m_state.baseAddress + QStringLiteral("."));
    const ServiceReply<CompetitionList> reply = m_client.competitionList(m_state.userId, m_state.pin);
    if (!reply.ok())
        return;
    if (!reply.value.competitions.isEmpty()) {
        const ListedCompetition& last = reply.value.competitions.last();
        m_state.changeCompetition([&last](Competition& c) {
            c.maxEntriesPerClub = last.maxPerClub;
            c.maxEntriesPerAthlete = last.maxPerAthlete;
        });
    }
    if (const Status stored =
            OnlineImport(m_state.databasePath).storeCompetitionList(reply.value, m_state.userId, m_state.club);
        !stored)
        reportWriteFailure(stored);
    m_ports.competitionListRefreshed();
    m_feedback.setStatusText({});
}

FlowResult OnlineFlows::importCompetition(const QString& manifId) {
    if (manifId.isEmpty())
        return FlowResult::cancelled();
    // The service would answer for another competition, or with empty lists over the local ones.
    if (isLocalCompetition(manifId)) {
        const QString local =
            QStringLiteral("Questa manifestazione non e' su Ondaweb: aprila senza collegamento (off-line).");
        m_state.dialogs.message(local);
        return {FlowOutcome::Cancelled, local, {}};
    }
    const Operation operation;
    if (!operation)
        return FlowResult::cancelled();
    m_ports.closeLogin();
    listSteps({QStringLiteral("Verifico la userid/PIN sul sito"),
               QStringLiteral("Verifico i dati della manifestazione"),
               QStringLiteral("Prendo la lista delle categorie"), QStringLiteral("Prendo la lista delle gare"),
               QStringLiteral("Importo le iscrizioni presenti"), QStringLiteral("Leggo le note")});
    m_ports.SetStep(ImportLogin, {}, InProgress);
    if (!m_ports.login()) {
        m_ports.closeLogin();
        // Nothing follows a cancelled login: its lines would greet the next workflow.
        m_ports.closeProgress();
        return FlowResult::cancelled();
    }
    const BusyWhile busy(m_feedback);
    m_ports.SetStep(ImportLogin, {}, Done);
    m_ports.showClub(m_state.club);
    m_ports.SetStep(ImportCompetition, {}, InProgress);

    const RequestValues values{m_state.userId, m_state.pin, manifId};
    const ServiceReply<CompetitionReply> competition = m_client.oneCompetition(values);
    if (!competition.ok()) {
        m_ports.closeProgress();
        // What the service said has been shown by the client.
        return FlowResult::refused({});
    }
    if (const auto& limits = competition.value.details.limits) {
        m_state.changeCompetition([&limits](Competition& c) {
            c.maxEntriesPerClub = limits->perClub;
            c.maxEntriesPerAthlete = limits->perAthlete;
        });
    }
    // The import replaces the competition's rows: the database is copied first, or nothing is written.
    m_replaced.clear();
    m_copy.clear();
    if (const Status copied = copies::make(m_state.databasePath, copies::beforeImport(manifId), &m_copy); !copied) {
        const QString failure = QStringLiteral("Impossibile importare la manifestazione: ") + copied.description +
                                QStringLiteral("\r\nI dati sul computer sono rimasti quelli di prima.");
        m_state.dialogs.message(failure, Dialogs::Icon::Critical);
        m_ports.closeProgress();
        return FlowResult::failed(failure);
    }
    m_ports.SetStep(ImportCompetition, {}, Done);
    m_ports.SetStep(ImportCategories, {}, InProgress);
    importCategories(values);
    m_ports.SetStep(ImportCategories, {}, Done);
    m_ports.SetStep(ImportRaces, {}, InProgress);
    importRaces(values);
    m_ports.SetStep(ImportRaces, {}, Done);
    m_ports.SetStep(ImportRegistrations, {}, InProgress);
    if (const FlowResult registrations = importRegistrations(values); !registrations.ok()) {
        m_feedback.setStatusText({});
        m_ports.closeProgress();
        return registrations;
    }
    m_ports.SetStep(ImportRegistrations, {}, Done);
    m_ports.SetStep(ImportNote, {}, InProgress);
    importNote(values);
    m_ports.SetStep(ImportNote, {}, Done);

    m_state.dialogs.message(QStringLiteral("Importazione terminata"));
    m_feedback.setStatusText({});
    m_ports.closeProgress();
    return FlowResult::done();
}

void OnlineFlows::importCategories(const RequestValues& values) {
    const ServiceReply<CategoriesAnswer> reply = m_client.categories(values);
    if (!reply.ok())
        return;
    Status s;
    waitFor([&, path = m_state.databasePath] {
        s = OnlineImport(path).replaceCategories(values.manifId, reply.value.categories);
    });
    if (!s) {
        reportWriteFailure(s, QStringLiteral("le categorie"));
        return;
    }
    replaced(QStringLiteral("le categorie"));
    m_state.changeCompetition([&reply](Competition& c) { c.categories = categoriesOfText(reply.value.payload); });
}

void OnlineFlows::importRaces(const RequestValues& values) {
    const ServiceReply<RacesAnswer> reply = m_client.races(values);
    if (!reply.ok())
        return;
    if (reply.value.noRacesDefined()) {
        m_state.dialogs.message(QStringLiteral("Nessuna gara e' stata definita"));
        return;
    }
    Status s;
    waitFor(
        [&, path = m_state.databasePath] { s = OnlineImport(path).replaceRaces(values.manifId, reply.value.races); });
    if (!s)
        reportWriteFailure(s, QStringLiteral("le gare"));
    else
        replaced(QStringLiteral("le gare"));
}

FlowResult OnlineFlows::importRegistrations(const RequestValues& values) {
    const ServiceReply<RegistrationLines> reply = m_client.registrationLines(values);
    if (!reply.ok())
        return FlowResult::done();
    const OnlineImport import(m_state.databasePath);
    const QString club = m_state.club;
    const RegistrationSource received = reply.value.registrations();
    // The lines are read, weighed and written on the operation's thread, while the windows are
    // drawn: an answer of a federation's championship runs to a million lines.
    int localOnly = 0;
    Status counted;
    QList<std::pair<int, Registration>> codeless;
    ProvisionalCodes provisional;
    waitFor([&] {
        counted = import.countLocalOnly(values.manifId, club, received, localOnly);
        if (counted)
            counted = import.readCodes(received, provisional);
        const RegistrationReader next = received();
        for (std::pair<int, Registration> line{0, {}}; next(line.second); ++line.first) {
            if (line.second.codatl.isEmpty())
                codeless << line;
        }
    });
    if (!counted) {
        // Rows that cannot be read cannot be weighed against the service's either.
        return FlowResult::failed(reportWriteFailure(counted, QStringLiteral("le iscrizioni")));
    }
    if (localOnly > 0 &&
        m_state.dialogs.askYesNo(QStringLiteral("Ci sono %1 iscrizioni fatte su questo computer e non ancora "
                                                "depositate: se prosegui verranno sostituite da quelle di Ondaweb. "
                                                "Vuoi proseguire ?")
                                     .arg(localOnly),
                                 Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return FlowResult::cancelled();
    // The codes the service does not know are asked for first, in the order of the lines,
    // so that no question waits while the file is being written.
    QHash<int, QString> codes;
    for (const auto& [line, row] : std::as_const(codeless))
        codes.insert(line, askProvisionalCode(row, provisional));
    // How far the writing has come goes to the progress line on the window's thread; what is
    // still on its way there when the step ends goes with `told`.
    QObject told;
    const auto tell = [this, &told](int lines) {
        QMetaObject::invokeMethod(
            &told,
            [this, lines] {
                m_ports.SetStep(ImportRegistrations,
                                QStringLiteral("Importo le iscrizioni presenti: %1 righe").arg(lines), InProgress);
            },
            Qt::QueuedConnection);
    };
    const RegistrationSource coded = [&]() -> RegistrationReader {
        return [&codes, &tell, next = received(), line = 0](Registration& r) mutable {
            if (!next(r))
                return false;
            if (r.codatl.isEmpty())
                r.codatl = codes.value(line);
            if (++line % kToldEvery == 0)
                tell(line);
            return true;
        };
    };
    Status written;
    waitFor([&] { written = import.replaceRegistrations(values.manifId, club, coded); });
    if (!written) {
        // The opening goes on with the registrations the computer had.
        reportWriteFailure(written, QStringLiteral("le iscrizioni"));
        return FlowResult::done();
    }
    replaced(QStringLiteral("le iscrizioni"));
    m_state.changeCompetition(
        [count = reply.value.lineCount()](Competition& c) { c.registrationCount = QString::number(count); });
    return FlowResult::done();
}

QString OnlineFlows::askProvisionalCode(const Registration& row, ProvisionalCodes& codes) {
    const QString prompt = QStringLiteral("Codice provvisorio per ") + row.nome + QStringLiteral(" (") + row.anno +
                           QStringLiteral(")\r\nOndaweb non ha il codice di questo atleta: conferma il codice "
                                          "proposto o scrivine un altro.");
    const QString proposed = codes.proposedFor(row.nome, row.soc);
    QString code;
    while (code.isEmpty()) {
        // No athlete is stored without a code: no answer is the one proposed.
        const std::optional<QString> typed = m_state.dialogs.inputText(prompt, {}, proposed);
        if (!typed || typed->trimmed().isEmpty())
            code = proposed;
        else if (const std::optional<qlonglong> number = archive::wholeNumber(*typed))
            code = QString::number(*number);
        else
            m_state.dialogs.message(QStringLiteral("Il codice dell'atleta deve essere un numero intero"));
    }
    codes.give(row.nome, row.soc, code);
    return code;
}

void OnlineFlows::importNote(const RequestValues& values) {
    const ServiceReply<QString> reply = m_client.note(values);
    if (!reply.ok())
        return;
    const QString note = reply.value;
    if (const Status s = OnlineImport(m_state.databasePath).storeNote(values.manifId, m_state.userId, note); !s) {
        reportWriteFailure(s, QStringLiteral("la nota della manifestazione"));
        return;
    }
    m_state.changeCompetition([&note](Competition& c) {
        c.note = note;
        c.notePresent = !note.trimmed().isEmpty();
    });
}

FlowResult OnlineFlows::uploadRegistrations() {
    const QString number = m_state.currentCompetition();
    // Without a competition the service would be told to import competition 0.
    if (!competitionNumberGiven(m_state))
        return FlowResult::cancelled();
    if (isLocalCompetition(number)) {
        const QString local = QStringLiteral("Questa manifestazione non e' su Ondaweb: salva le iscrizioni come file "
                                             "LENEX e inviale all'organizzatore.");
        m_state.dialogs.message(local);
        return {FlowOutcome::Cancelled, local, {}};
    }
    const Operation operation;
    if (!operation)
        return FlowResult::cancelled();
    const BusyWhile busy(m_feedback);
    listSteps({QStringLiteral("Verifico la userid/PIN sul sito"), QStringLiteral("Creo un file temporaneo"),
               QStringLiteral("Deposito il file sul server"),
               QStringLiteral("Do' istruzioni al server di importare il file")});
    m_ports.SetStep(UploadLogin, {}, InProgress);
    if (!m_ports.login()) {
        m_ports.closeProgress();
        return FlowResult::cancelled();
    }
    m_ports.SetStep(UploadLogin, {}, Done);
    m_ports.showClub(m_state.club);
    if (m_state.dialogs.askYesNo(
            QStringLiteral("Attenzione: questo comando sostituirà sul server tutte le iscrizioni della manifestazione "
                           "selezionata con quelle sul tuo PC relative alla gara corrente.") +
                QStringLiteral("\r\n\r\nVuoi procedere"),
            Dialogs::Answer::Yes) != Dialogs::Answer::Yes)
        return FlowResult::cancelled();

    m_ports.SetStep(UploadFile, {}, InProgress);
    // A file that could not be written has been reported; sending an older one in its place
    // would replace the club's registrations on the server with stale ones.
    const TransferResult transfer =
        TransferExport(m_state, m_state.dialogs).write(m_state.club, TransferPlace::ProgramFolder);
    if (transfer.outcome == ExportOutcome::Failed)
        return FlowResult::failed(transfer.message);
    m_ports.SetStep(UploadFile, {}, Done);
    m_ports.SetStep(UploadPut, {}, InProgress);

    // The file server's refusal, as its report says it.
    QString refusal;
    {
        const UploadTarget target = uploadTargetFor(m_client.baseAddress());
        const QFileInfo local(transfer.path);
        FTP ftp;
        if (ftp.FTPInit(target.host, target.userName, target.password, 0, 0, {}, refusal)) {
            // A refused put leaves its report in `refusal`; the lines move on all the same.
            (void)ftp.FTPPut(local.path() + QLatin1Char('/'), local.fileName(), kUploadFolder, kUploadName, refusal);
            m_ports.SetStep(UploadPut, {}, Done);
            m_ports.SetStep(UploadOrder, {}, InProgress);
        }
        if (refusal.isEmpty())
            ftp.FTPClose();
    }
    if (!refusal.isEmpty()) {
        m_state.dialogs.message(refusal);
        return FlowResult::refused(refusal);
    }

    const ServiceReply<QString> reply = m_client.importOrder({m_state.userId, m_state.pin, number});
    m_ports.SetStep(UploadOrder, {}, Done);
    FlowResult result = FlowResult::done(transfer.path);
    switch (reply.verdict) {
    case AnswerVerdict::Refused: // "Attenzione: " and the service's text already shown
        m_ports.closeProgress();
        result = FlowResult::refused({});
        break;
    case AnswerVerdict::Invalid: // the connection message already shown
        result = FlowResult::failed(kConnectionMessage);
        break;
    case AnswerVerdict::Valid:
        if (importAccepted(reply.value)) {
            m_state.dialogs.message(QStringLiteral("Iscrizioni esportate correttamente"));
            m_ports.closeProgress();
        } else {
            m_state.dialogs.message(QStringLiteral("Errore sul server"));
            result = FlowResult::refused(QStringLiteral("Errore sul server"));
        }
        break;
    }
    m_feedback.setStatusText({});
    return result;
}

} // namespace onda
