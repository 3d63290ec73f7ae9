#pragma once

#include "core/FlowResult.h"
#include "service/ServiceClient.h"
#include "store/Status.h"

#include <QString>
#include <QStringList>

#include <initializer_list>

namespace onda {

class AppState;
class ServiceFeedback;
class ServicePorts;
class ProvisionalCodes;

// The workflows of the link with the service, without windows: the list refresh, the import of
// one competition and the deposit of the club's registrations. Each is one operation of the
// program (core/Operation.h): a second one asked for meanwhile is refused.
class OnlineFlows {
public:
    OnlineFlows(AppState& state, ServiceClient& client, ServiceFeedback& feedback, ServicePorts& ports);

    // "Aggiorna lista da Ondaweb": login, the competition list into manif, the grid refilled.
    FlowResult refreshList();
    // The on-line opening of a competition: Done when the import ran to its end; Refused when
    // the service did not give the competition.
    FlowResult importCompetition(const QString& manifId);
    // "Deposita le tue iscrizioni su Ondaweb": the transfer file by FTP, then the import order.
    // A file server that refuses the file ends it Refused, with the server's report.
    FlowResult uploadRegistrations();

private:
    void storeCompetitionList();
    void importCategories(const RequestValues& values);
    void importRaces(const RequestValues& values);
    // Not Done when the opening ends here: the user keeps the registrations not yet deposited,
    // or they could not be read.
    FlowResult importRegistrations(const RequestValues& values);
    void importNote(const RequestValues& values);
    // The code of an athlete the service sent without one, asked until it is a whole number;
    // the code proposed when the user gives none.
    QString askProvisionalCode(const Registration& row, ProvisionalCodes& codes);
    // A step whose rows could not be written leaves them as they were and says so: with `kept`,
    // the rows of an import step ("le iscrizioni"), also what the steps before it replaced and the
    // copy made before the import.
    // Returns the message shown.
    QString reportWriteFailure(const Status& status, const QString& kept = {});
    // A step of the import wrote its rows.
    void replaced(const QString& what) { m_replaced << what; }
    // The lines of the progress window, each unchecked.
    void listSteps(std::initializer_list<QString> captions);

    AppState& m_state;
    ServiceClient& m_client;
    ServiceFeedback& m_feedback;
    ServicePorts& m_ports;
    // Of the import under way: what its steps replaced, and the copy made before them.
    QStringList m_replaced;
    QString m_copy;
};

} // namespace onda
