#pragma once

#include "core/FlowResult.h"
#include "service/OnlineFlows.h"
#include "service/ServiceClient.h"
#include "service/ServiceFeedback.h"
#include "ui/BusyCursor.h"

#include <QObject>
#include <QPointer>

#include <optional>

namespace onda {

class AppState;
class WindowHost;
class LoginWindow;
class ProgressWindow;

// The program's link with the service as the windows see it: the login window kept for the
// whole run, the progress window of each workflow, the status bar and the busy pointer. The
// workflows themselves are OnlineFlows; the workspace starts them through ServicePort.
class OnlineSession : public QObject, public ServiceFeedback, public ServicePorts, public ServicePort {
    Q_OBJECT
public:
    OnlineSession(AppState& state, WindowHost& windows, HttpOptions options = {});
    ~OnlineSession() override;

    OnlineFlows& flows() { return m_flows; }
    ServiceClient& client() { return m_client; }
    LoginWindow* loginWindow() const;
    ProgressWindow* progress();

    // ServicePorts
    bool login() override;
    void closeLogin() override;
    void SetStep(int index, const QString& caption, StepLook look) override;
    void closeProgress() override;
    void showClub(const QString& club) override;
    void competitionListStored() override;
    void competitionListRefreshed() override;

    // ServicePort
    FlowResult importCompetition(const QString& number) override;
    FlowResult refreshCompetitionList() override { return m_flows.refreshList(); }
    FlowResult uploadRegistrations() override { return m_flows.uploadRegistrations(); }

    // ServiceFeedback
    void setStatusText(const QString& text) override;
    void setBusy(bool busy) override;
    void showMessage(const QString& text) override;

private:
    AppState& m_state;
    WindowHost& m_windows;
    ServiceClient m_client;
    OnlineFlows m_flows;
    QPointer<LoginWindow> m_login;
    QPointer<ProgressWindow> m_progress;
    std::optional<BusyCursor> m_busy;
};

} // namespace onda
