#pragma once

#include "service/ServiceClient.h"
#include "service/ServiceFeedback.h"
#include "store/Status.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace onda {

class AppState;
class LoginWindow;
class ProgressWindow;
struct CompetitionHeading;

// The program's link with the service: the login window kept for the whole run, the
// progress window of each workflow, and the workflows that the workspace starts.
class OnlineSession : public QObject, public ServiceFeedback {
    Q_OBJECT
public:
    explicit OnlineSession(AppState& state, HttpOptions options = {});
    ~OnlineSession() override;

    // "Aggiorna lista da Ondaweb": login, competition list into manif, grid refilled.
    void refreshListWorkflow();
    // The on-line opening of a competition: true when the import ran to its end.
    bool ImportCompetition(const QString& manifId);
    // "Deposita le tue iscrizioni su Ondaweb": the transfer file sent by FTP, then the import order.
    void UploadRegistrations();

    // Shows the login window modally; true after a successful check.
    bool login();
    void closeLogin(); // unloaded, so that it opens afresh with the program's user and PIN
    LoginWindow* loginWindow() const;

    ProgressWindow* progress();
    void SetStep(int index, const QString& caption, int value);
    void closeProgress();

    ServiceClient& client() { return m_client; }

    // What a request shows while it runs.
    void setStatusText(const QString& text) override;
    void setBusy(bool busy) override;
    void processEvents() override;
    void showMessage(const QString& text) override;

private:
    void RefreshCompetitionList();
    void FillCompetitionGrid();
    void restoreBusy();
    void showClub();
    void importCategories(const RequestValues& values);
    void importRaces(const RequestValues& values);
    void importRegistrations(const RequestValues& values);
    void importNote(const RequestValues& values);
    // A step whose rows could not be written leaves them as they were and says so.
    void reportWriteFailure(const Status& status);

    AppState& m_state;
    ServiceClient m_client;
    QPointer<LoginWindow> m_login;
    QPointer<ProgressWindow> m_progress;
    int m_busy = 0;
};

} // namespace onda
