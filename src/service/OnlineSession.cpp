#include "service/OnlineSession.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/WindowHost.h"
#include "service/LoginWindow.h"
#include "service/OnlineImport.h"
#include "service/ProgressWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMetaObject>
#include <QThread>

namespace onda {

OnlineSession::OnlineSession(AppState& state, HttpOptions options)
    : m_state(state), m_client(state.baseAddress, *this, std::move(options)) {}

OnlineSession::~OnlineSession() {
    restoreBusy();
    delete m_login;
}

void OnlineSession::setStatusText(const QString& text) {
    if (m_state.windows)
        m_state.windows->setStatusText(text);
}

void OnlineSession::setBusy(bool busy) {
    if (busy && m_busy == 0) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_busy = 1;
    } else if (!busy) {
        restoreBusy();
    }
}

void OnlineSession::restoreBusy() {
    if (m_busy > 0)
        QGuiApplication::restoreOverrideCursor();
    m_busy = 0;
}

void OnlineSession::processEvents() {
    QCoreApplication::processEvents();
}

void OnlineSession::showMessage(const QString& text) {
    m_state.dialogs.message(text);
}

bool OnlineSession::login() {
    if (!m_login) {
        QWidget* anchor = m_state.windows ? m_state.windows->child(Child::Workspace) : nullptr;
        m_login = new LoginWindow(m_state, m_client, anchor ? anchor->window() : nullptr);
    }
    QWidget* anchor = m_login->parentWidget();
    return m_login->run(anchor);
}

LoginWindow* OnlineSession::loginWindow() const {
    return m_login;
}

void OnlineSession::closeLogin() {
    delete m_login;
}

ProgressWindow* OnlineSession::progress() {
    if (!m_progress && m_state.windows) {
        m_progress = qobject_cast<ProgressWindow*>(m_state.windows->child(Child::Progress));
        if (m_progress)
            m_state.windows->showChild(m_progress);
    }
    return m_progress;
}

void OnlineSession::SetStep(int index, const QString& caption, int value) {
    if (ProgressWindow* window = progress())
        window->SetStep(index, caption, value);
}

void OnlineSession::closeProgress() {
    if (m_progress) {
        if (QWidget* frame = m_progress->parentWidget())
            frame->close(); // the window of the main window's area holding it
        else
            m_progress->close();
    }
}

void OnlineSession::showClub() {
    if (!m_state.windows)
        return;
    if (QWidget* workspace = m_state.windows->child(Child::Workspace))
        if (auto* soc = workspace->findChild<QLabel*>(QStringLiteral("soc")))
            soc->setText(m_state.club);
}

void OnlineSession::FillCompetitionGrid() {
    if (!m_state.windows)
        return;
    if (QWidget* workspace = m_state.windows->child(Child::Workspace))
        QMetaObject::invokeMethod(workspace, "FillCompetitionGrid");
}

void OnlineSession::refreshListWorkflow() {
    SetStep(0, QStringLiteral("Verifico la userid/PIN sul sito"), ProgressWindow::Unchecked);
    SetStep(1, QStringLiteral("Aggiorno la lista delle manifestazioni"), ProgressWindow::Unchecked);
    SetStep(2, QStringLiteral("Elenco le manifestazioni"), ProgressWindow::Unchecked);
    if (login()) {
        SetStep(0, {}, ProgressWindow::Done);
        showClub();
        RefreshCompetitionList();
        SetStep(1, {}, ProgressWindow::Done);
        processEvents();
        FillCompetitionGrid();
        SetStep(2, {}, ProgressWindow::Done);
        processEvents();
    }
    // Half a second for the user to see the steps, with the windows kept alive.
    QElapsedTimer pause;
    pause.start();
    while (pause.elapsed() < 500) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    closeProgress();
}

void OnlineSession::RefreshCompetitionList() {
    setBusy(true);
    setStatusText(QStringLiteral("Mi sto collegando a ") + m_state.baseAddress + QStringLiteral("."));
    processEvents();
    if (m_login) {
        m_state.userId = m_login->userName();
        m_state.pin = m_login->password();
    }
    const ServiceReply<CompetitionList> reply = m_client.competitionList(m_state.userId, m_state.pin);
    if (reply.ok()) {
        if (!reply.value.competitions.isEmpty()) {
            const ListedCompetition& last = reply.value.competitions.last();
            m_state.changeCompetition([&last](Competition& c) {
                c.maxEntriesPerClub = last.maxPerClub;
                c.maxEntriesPerAthlete = last.maxPerAthlete;
            });
        }
        const Status stored =
            OnlineImport(m_state.databasePath).storeCompetitionList(reply.value, m_state.userId, m_state.club);
        if (!stored)
            reportWriteFailure(stored);
        if (m_state.windows)
            if (QWidget* workspace = m_state.windows->child(Child::Workspace))
                if (auto* marker = workspace->findChild<QLabel*>(QStringLiteral("Label2_0")))
                    marker->setStyleSheet(QStringLiteral("background-color: #808080;"));
        setStatusText({});
    }
    restoreBusy();
}

void OnlineSession::reportWriteFailure(const Status& status) {
    m_state.dialogs.message(QStringLiteral("Impossibile salvare i dati ricevuti da Ondaweb: ") + status.description +
                                QStringLiteral("\r\nI dati sul computer sono rimasti quelli di prima."),
                            Dialogs::Icon::Warning);
}

bool OnlineSession::ImportCompetition(const QString& manifId) {
    if (manifId.isEmpty())
        return false;
    closeLogin();
    SetStep(0, QStringLiteral("Verifico la userid/PIN sul sito"), ProgressWindow::Unchecked);
    SetStep(1, QStringLiteral("Verifico i dati della manifestazione"), ProgressWindow::Unchecked);
    SetStep(2, QStringLiteral("Prendo la lista delle categorie"), ProgressWindow::Unchecked);
    SetStep(3, QStringLiteral("Prendo la lista delle gare"), ProgressWindow::Unchecked);
    SetStep(4, QStringLiteral("Importo le iscrizioni presenti"), ProgressWindow::Unchecked);
    SetStep(5, QStringLiteral("Leggo le note"), ProgressWindow::Unchecked);
    SetStep(0, {}, ProgressWindow::InProgress);
    if (!login()) {
        closeLogin();
        return false;
    }
    setBusy(true);
    SetStep(0, {}, ProgressWindow::Done);
    SetStep(1, {}, ProgressWindow::InProgress);

    const RequestValues values{m_state.userId, m_state.pin, manifId};
    const ServiceReply<CompetitionReply> competition = m_client.oneCompetition(values);
    if (!competition.ok()) {
        closeProgress();
        if (m_state.windows)
            if (QWidget* registration = m_state.windows->child(Child::Registration))
                m_state.windows->hideChild(registration);
        restoreBusy();
        return false;
    }
    if (const auto& limits = competition.value.details.limits) {
        m_state.changeCompetition([&limits](Competition& c) {
            c.maxEntriesPerClub = limits->perClub;
            c.maxEntriesPerAthlete = limits->perAthlete;
        });
    }
    SetStep(1, {}, ProgressWindow::Done);
    SetStep(2, {}, ProgressWindow::InProgress);
    importCategories(values);
    SetStep(2, {}, ProgressWindow::Done);
    SetStep(3, {}, ProgressWindow::InProgress);
    importRaces(values);
    SetStep(3, {}, ProgressWindow::Done);
    SetStep(4, {}, ProgressWindow::InProgress);
    importRegistrations(values);
    SetStep(4, {}, ProgressWindow::Done);
    SetStep(5, {}, ProgressWindow::InProgress);
    importNote(values);
    SetStep(5, {}, ProgressWindow::Done);

    processEvents();
    m_state.dialogs.message(QStringLiteral("Importazione terminata"));
    setStatusText({});
    restoreBusy();
    closeProgress();
    return true;
}

void OnlineSession::importCategories(const RequestValues& values) {
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

void OnlineSession::importRaces(const RequestValues& values) {
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

void OnlineSession::importRegistrations(const RequestValues& values) {
    const ServiceReply<RegistrationsAnswer> reply = m_client.registrations(values);
    if (!reply.ok())
        return;
    // The codes the service does not know are asked for first, in the order of the lines,
    // so that no question waits while the file is being written.
    QList<Registration> rows = reply.value.registrations;
    for (Registration& row : rows) {
        if (row.codatl.isEmpty())
            row.codatl = m_state.dialogs.inputText(QStringLiteral("Codice provvisorio"), {}, {}).value_or(QString());
    }
    if (const Status s = OnlineImport(m_state.databasePath).replaceRegistrations(values.manifId, m_state.club, rows);
        !s) {
        reportWriteFailure(s);
        return;
    }
    m_state.changeCompetition(
        [&reply](Competition& c) { c.registrationCount = QString::number(reply.value.lineCount); });
}

void OnlineSession::importNote(const RequestValues& values) {
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

} // namespace onda
