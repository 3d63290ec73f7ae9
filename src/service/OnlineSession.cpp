#include "service/OnlineSession.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/WindowHost.h"
#include "service/LoginWindow.h"
#include "service/ProgressWindow.h"

namespace onda {

OnlineSession::OnlineSession(AppState& state, WindowHost& windows, HttpOptions options)
    : m_state(state), m_windows(windows), m_client(state.baseAddress, *this, std::move(options)),
      m_flows(state, m_client, *this, *this) {}

OnlineSession::~OnlineSession() {
    delete m_login;
}

void OnlineSession::setStatusText(const QString& text) {
    m_windows.setStatusText(text);
}

void OnlineSession::setBusy(bool busy) {
    if (busy && !m_busy)
        m_busy.emplace();
    else if (!busy)
        m_busy.reset();
}

void OnlineSession::showMessage(const QString& text) {
    m_state.dialogs.message(text);
}

bool OnlineSession::login() {
    if (!m_login) {
        QWidget* anchor = m_windows.child(Child::Workspace);
        m_login = new LoginWindow(m_state, m_client, anchor ? anchor->window() : nullptr);
    }
    return m_login->run(m_login->parentWidget());
}

LoginWindow* OnlineSession::loginWindow() const {
    return m_login;
}

void OnlineSession::closeLogin() {
    delete m_login;
}

ProgressWindow* OnlineSession::progress() {
    if (!m_progress) {
        m_progress = qobject_cast<ProgressWindow*>(m_windows.child(Child::Progress));
        if (m_progress)
            m_windows.showChild(m_progress);
    }
    return m_progress;
}

void OnlineSession::SetStep(int index, const QString& caption, StepLook look) {
    if (ProgressWindow* window = progress())
        window->SetStep(index, caption, look);
}

void OnlineSession::closeProgress() {
    if (!m_progress)
        return;
    if (QWidget* frame = m_progress->parentWidget())
        frame->close(); // the window of the main window's area holding it
    else
        m_progress->close();
}

void OnlineSession::showClub(const QString& club) {
    // Told again even when it stays: the workspace may be showing a row's user instead.
    m_state.session.setClub(club);
}

void OnlineSession::competitionListStored() {
    if (WorkspaceView* workspace = m_windows.workspaceView())
        workspace->FillCompetitionGrid();
}

void OnlineSession::competitionListRefreshed() {
    if (WorkspaceView* workspace = m_windows.workspaceView())
        workspace->markListRefreshed();
}

FlowResult OnlineSession::importCompetition(const QString& number) {
    FlowResult imported = m_flows.importCompetition(number);
    // A competition the service did not give has no registrations to show.
    if (imported.outcome == FlowOutcome::Refused)
        m_windows.hideChild(m_windows.child(Child::Registration));
    return imported;
}

} // namespace onda
