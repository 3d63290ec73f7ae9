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

#include <QFileInfo>
#include <QHash>
#include <QObject>

#include <chrono>

namespace onda {

namespace {

constexpr int Unchecked = ServicePorts::Unchecked;
constexpr int Done = ServicePorts::Done;
constexpr int InProgress = ServicePorts::InProgress;
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

void OnlineFlows::showClub() {
    if (m_state.windows)
        if (WorkspaceView* workspace = m_state.windows->workspaceView())
            workspace->setClubLabel(m_state.club);
}

void OnlineFlows::reportWriteFailure(const Status& status, const QString& kept) {
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
    m_state.dialogs.message(QStringLiteral("Impossibile salvare i dati ricevuti da Ondaweb: ") + status.description +
                                QStringLiteral("\r\n") + what,
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
    m_replaced.clear();
    m_copy.clear();
    if (const Status copied = copies::make(m_state.databasePath, copies::beforeImport(manifId), &m_copy); !copied) {
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

bool OnlineFlows::importRegistrations(const RequestValues& values) {
    const ServiceReply<RegistrationLines> reply = m_client.registrationLines(values);
    if (!reply.ok())
        return true;
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
        reportWriteFailure(counted, QStringLiteral("le iscrizioni"));
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
                m_ports.SetStep(4, QStringLiteral("Importo le iscrizioni presenti: %1 righe").arg(lines), InProgress);
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
        reportWriteFailure(written, QStringLiteral("le iscrizioni"));
        return true;
    }
    replaced(QStringLiteral("le iscrizioni"));
    m_state.changeCompetition(
        [count = reply.value.lineCount()](Competition& c) { c.registrationCount = QString::number(count); });
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
        reportWriteFailure(s, QStringLiteral("la nota della manifestazione"));
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
