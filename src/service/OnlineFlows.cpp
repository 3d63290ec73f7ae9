#include "service/OnlineFlows.h"

#include "athletes/ArchiveRules.h"
#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/Operation.h"
#include "core/ProgramValues.h"
#include "core/WindowHost.h"
#include "ftp/FTP.h"
#include "service/OnlineImport.h"
#include "service/ServiceFeedback.h"
#include "service/UploadTarget.h"
#include "store/DatabaseCopies.h"
#include "transfer/TransferExport.h"

#include <chrono>

namespace onda {

namespace {

constexpr int Unchecked = ServicePorts::Unchecked;
constexpr int Done = ServicePorts::Done;
constexpr int InProgress = ServicePorts::InProgress;

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

void OnlineFlows::showClub() {
    if (m_state.windows)
        if (WorkspaceView* workspace = m_state.windows->workspaceView())
            workspace->setClubLabel(m_state.club);
}

void OnlineFlows::reportWriteFailure(const Status& status) {
    m_state.dialogs.message(QStringLiteral("Impossibile salvare i dati ricevuti da Ondaweb: ") + status.description +
                                QStringLiteral("\r\nI dati sul computer sono rimasti quelli di prima."),
                            Dialogs::Icon::Warning);
}

void OnlineFlows::refreshList() {
    const Operation operation;
    if (!operation)
        return;
    listSteps({QStringLiteral("Verifico la userid/PIN sul sito"),
               QStringLiteral("Aggiorno la lista delle manifestazioni"), QStringLiteral("Elenco le manifestazioni")});
    if (m_ports.login()) {
        m_ports.SetStep(0, {}, Done);
        showClub();
        storeCompetitionList();
        m_ports.SetStep(1, {}, Done);
        if (m_state.windows)
            if (WorkspaceView* workspace = m_state.windows->workspaceView())
                workspace->FillCompetitionGrid();
        m_ports.SetStep(2, {}, Done);
    }
    // Half a second for the user to see the steps.
    pauseFor(std::chrono::milliseconds(500));
    m_ports.closeProgress();
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
    if (m_state.windows)
        if (WorkspaceView* workspace = m_state.windows->workspaceView())
            workspace->markListRefreshed();
    m_feedback.setStatusText({});
}

bool OnlineFlows::importCompetition(const QString& manifId) {
    if (manifId.isEmpty())
        return false;
    // The service would answer for another competition, or with empty lists over the local ones.
    if (isLocalCompetition(manifId)) {
        m_state.dialogs.message(
            QStringLiteral("Questa manifestazione non e' su Ondaweb: aprila senza collegamento (off-line)."));
        return false;
    }
    const Operation operation;
    if (!operation)
        return false;
    m_ports.closeLogin();
    listSteps({QStringLiteral("Verifico la userid/PIN sul sito"),
               QStringLiteral("Verifico i dati della manifestazione"),
               QStringLiteral("Prendo la lista delle categorie"), QStringLiteral("Prendo la lista delle gare"),
               QStringLiteral("Importo le iscrizioni presenti"), QStringLiteral("Leggo le note")});
    m_ports.SetStep(0, {}, InProgress);
    if (!m_ports.login()) {
        m_ports.closeLogin();
        // Nothing follows a cancelled login: its lines would greet the next workflow.
        m_ports.closeProgress();
        return false;
    }
    const BusyWhile busy(m_feedback);
    m_ports.SetStep(0, {}, Done);
    showClub();
    m_ports.SetStep(1, {}, InProgress);

    const RequestValues values{m_state.userId, m_state.pin, manifId};
    const ServiceReply<CompetitionReply> competition = m_client.oneCompetition(values);
    if (!competition.ok()) {
        m_ports.closeProgress();
        if (m_state.windows)
            m_state.windows->hideChild(m_state.windows->child(Child::Registration));
        return false;
    }
    if (const auto& limits = competition.value.details.limits) {
        m_state.changeCompetition([&limits](Competition& c) {
            c.maxEntriesPerClub = limits->perClub;
            c.maxEntriesPerAthlete = limits->perAthlete;
        });
    }
    // The import replaces the competition's rows: the database is copied first, or nothing is written.
    if (const Status copied = copies::make(m_state.databasePath, copies::beforeImport(manifId)); !copied) {
        m_state.dialogs.message(QStringLiteral("Impossibile importare la manifestazione: ") + copied.description +
                                    QStringLiteral("\r\nI dati sul computer sono rimasti quelli di prima."),
                                Dialogs::Icon::Critical);
        m_ports.closeProgress();
        return false;
    }
    m_ports.SetStep(1, {}, Done);
    m_ports.SetStep(2, {}, InProgress);
    importCategories(values);
    m_ports.SetStep(2, {}, Done);
    m_ports.SetStep(3, {}, InProgress);
    importRaces(values);
    m_ports.SetStep(3, {}, Done);
    m_ports.SetStep(4, {}, InProgress);
    if (!importRegistrations(values)) {
        m_feedback.setStatusText({});
        m_ports.closeProgress();
        return false;
    }
    m_ports.SetStep(4, {}, Done);
    m_ports.SetStep(5, {}, InProgress);
    importNote(values);
    m_ports.SetStep(5, {}, Done);

    m_state.dialogs.message(QStringLiteral("Importazione terminata"));
    m_feedback.setStatusText({});
    m_ports.closeProgress();
    return true;
}

void OnlineFlows::importCategories(const RequestValues& values) {
    const ServiceReply<CategoriesAnswer> reply = m_client.categories(values);
    if (!reply.ok())
        return;
    if (const Status s = OnlineImport(m_state.databasePath).replaceCategories(values.manifId, reply.value.categories);
        !s) {
        reportWriteFailure(s);
        return;
    }
    m_state.changeCompetition([&reply](Competition& c) { c.categoriesText = reply.value.payload; });
}

void OnlineFlows::importRaces(const RequestValues& values) {
    const ServiceReply<RacesAnswer> reply = m_client.races(values);
    if (!reply.ok())
        return;
    if (reply.value.noRacesDefined()) {
        m_state.dialogs.message(QStringLiteral("Nessuna gara e' stata definita"));
        return;
    }
    if (const Status s = OnlineImport(m_state.databasePath).replaceRaces(values.manifId, reply.value.races); !s)
        reportWriteFailure(s);
}

bool OnlineFlows::importRegistrations(const RequestValues& values) {
    const ServiceReply<RegistrationsAnswer> reply = m_client.registrations(values);
    if (!reply.ok())
        return true;
    const OnlineImport import(m_state.databasePath);
    int localOnly = 0;
    if (const Status counted =
            import.countLocalOnly(values.manifId, m_state.club, reply.value.registrations, localOnly);
        !counted) {
        // Rows that cannot be read cannot be weighed against the service's either.
        reportWriteFailure(counted);
        return false;
    }
    if (localOnly > 0 &&
        m_state.dialogs.askYesNo(QStringLiteral("Ci sono %1 iscrizioni fatte su questo computer e non ancora "
                                                "depositate: se prosegui verranno sostituite da quelle di Ondaweb. "
                                                "Vuoi proseguire ?")
                                     .arg(localOnly),
                                 Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return false;
    // The codes the service does not know are asked for first, in the order of the lines,
    // so that no question waits while the file is being written.
    QList<Registration> rows = reply.value.registrations;
    ProvisionalCodes codes;
    if (const Status read = import.readCodes(rows, codes); !read) {
        reportWriteFailure(read);
        return false;
    }
    for (Registration& row : rows) {
        if (row.codatl.isEmpty())
            row.codatl = askProvisionalCode(row, codes);
    }
    if (const Status s = import.replaceRegistrations(values.manifId, m_state.club, rows); !s) {
        reportWriteFailure(s);
        return true;
    }
    m_state.changeCompetition(
        [&reply](Competition& c) { c.registrationCount = QString::number(reply.value.lineCount); });
    return true;
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
        reportWriteFailure(s);
        return;
    }
    m_state.changeCompetition([&note](Competition& c) {
        c.note = note;
        c.notePresent = !note.trimmed().isEmpty();
    });
}

void OnlineFlows::uploadRegistrations() {
    const QString number = m_state.currentCompetition();
    // Without a competition the service would be told to import competition 0.
    if (number.isEmpty()) {
        m_state.dialogs.message(QStringLiteral("Inserire il numero di prova"));
        return;
    }
    if (isLocalCompetition(number)) {
        m_state.dialogs.message(QStringLiteral("Questa manifestazione non e' su Ondaweb: salva le iscrizioni come file "
                                               "LENEX e inviale all'organizzatore."));
        return;
    }
    const Operation operation;
    if (!operation)
        return;
    const BusyWhile busy(m_feedback);
    listSteps({QStringLiteral("Verifico la userid/PIN sul sito"), QStringLiteral("Creo un file temporaneo"),
               QStringLiteral("Deposito il file sul server"),
               QStringLiteral("Do' istruzioni al server di importare il file")});
    m_ports.SetStep(0, {}, InProgress);
    if (!m_ports.login()) {
        m_ports.closeProgress();
        return;
    }
    m_ports.SetStep(0, {}, Done);
    showClub();
    if (m_state.dialogs.askYesNo(
            QStringLiteral("Attenzione: questo comando sostituirà sul server tutte le iscrizioni della manifestazione "
                           "selezionata con quelle sul tuo PC relative alla gara corrente.") +
                QStringLiteral("\r\n\r\nVuoi procedere"),
            Dialogs::Answer::Yes) != Dialogs::Answer::Yes)
        return;

    m_ports.SetStep(1, {}, InProgress);
    QString mode = QStringLiteral("SERVER");
    QString folder;
    QString file;
    // A file that could not be written has been reported; sending an older one in its place
    // would replace the club's registrations on the server with stale ones.
    if (ExportTransferDatabase(m_state, m_state.club, mode, folder, file) == ExportOutcome::Failed)
        return;
    m_ports.SetStep(1, {}, Done);
    m_ports.SetStep(2, {}, InProgress);

    const UploadTarget target = uploadTargetFor(m_client.baseAddress());
    QString error;
    {
        FTP ftp;
        if (ftp.FTPInit(target.host, target.userName, target.password, 0, 0, {}, error)) {
            // A refused put leaves its report in `error`, shown below; the lines move on all the same.
            (void)ftp.FTPPut(folder, file, kUploadFolder, kUploadName, error);
            m_ports.SetStep(2, {}, Done);
            m_ports.SetStep(3, {}, InProgress);
        }
        if (error.isEmpty())
            ftp.FTPClose();
    }
    if (!error.isEmpty()) {
        m_state.dialogs.message(error);
        return;
    }

    const ServiceReply<QString> reply = m_client.importOrder({m_state.userId, m_state.pin, number});
    m_ports.SetStep(3, {}, Done);
    switch (reply.verdict) {
    case AnswerVerdict::Refused: // "Attenzione: " and the service's text already shown
        m_ports.closeProgress();
        break;
    case AnswerVerdict::Invalid: // the connection message already shown
        break;
    case AnswerVerdict::Valid:
        if (importAccepted(reply.value)) {
            m_state.dialogs.message(QStringLiteral("Iscrizioni esportate correttamente"));
            m_ports.closeProgress();
        } else {
            m_state.dialogs.message(QStringLiteral("Errore sul server"));
        }
        break;
    }
    m_feedback.setStatusText({});
}

} // namespace onda
