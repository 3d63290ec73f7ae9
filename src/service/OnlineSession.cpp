#include "service/OnlineSession.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/WindowHost.h"
#include "service/LoginWindow.h"
#include "service/ProgressWindow.h"

namespace onda {

OnlineSession::OnlineSession(AppState& state, HttpOptions options)
    : m_state(state), m_client(state.baseAddress, *this, std::move(options)), m_flows(state, m_client, *this, *this) {}

OnlineSession::~OnlineSession() {
    delete m_login;
}

void OnlineSession::setStatusText(const QString& text) {
    if (m_state.windows)
        m_state.windows->setStatusText(text);
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
        QWidget* anchor = m_state.windows ? m_state.windows->child(Child::Workspace) : nullptr;
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
    if (!m_progress)
        return;
    if (QWidget* frame = m_progress->parentWidget())
        frame->close(); // the window of the main window's area holding it
    else
        m_progress->close();
}

} // namespace onda
