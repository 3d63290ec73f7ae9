#pragma once

#include "service/ServiceClient.h"
#include "store/Status.h"

#include <QString>

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
    void refreshList();
    // The on-line opening of a competition: true when the import ran to its end.
    bool importCompetition(const QString& manifId);
    // "Deposita le tue iscrizioni su Ondaweb": the transfer file by FTP, then the import order.
    void uploadRegistrations();

private:
    void storeCompetitionList();
    void importCategories(const RequestValues& values);
    void importRaces(const RequestValues& values);
    // False when the opening ends here: the user keeps the registrations not yet deposited.
    bool importRegistrations(const RequestValues& values);
    void importNote(const RequestValues& values);
    // The code of an athlete the service sent without one, asked until it is a whole number;
    // the code proposed when the user gives none.
    QString askProvisionalCode(const Registration& row, ProvisionalCodes& codes);
    // A step whose rows could not be written leaves them as they were and says so.
    void reportWriteFailure(const Status& status);
    void showClub();
    // The lines of the progress window, each unchecked.
    void listSteps(std::initializer_list<QString> captions);

    AppState& m_state;
    ServiceClient& m_client;
    ServiceFeedback& m_feedback;
    ServicePorts& m_ports;
};

} // namespace onda
