#pragma once

#include "service/HttpClient.h"
#include "service/ServiceAddress.h"
#include "service/ServiceAnswer.h"

#include <QString>

#include <optional>

namespace onda {

class ServiceFeedback;

// The outcome of one request. A refusal or an invalid answer has already been told to the
// user where the request says so; the caller only decides how its workflow goes on.
template <typename T> struct ServiceReply {
    AnswerVerdict verdict = AnswerVerdict::Invalid;
    T value{};

    bool ok() const { return verdict == AnswerVerdict::Valid; }
};

struct CompetitionReply {
    QString answer;
    CompetitionDetails details;
};

inline const QString kConnectionMessage = QStringLiteral(
    "Errore nel collegamento col server. Per effettuare l'aggiornamento devi essere collegato in Internet");

// The requests of the service, each sent once and screened. Every request except the login
// check sets the busy pointer and, where it has one, its status-bar text; none restores them.
class ServiceClient {
public:
    ServiceClient(QString baseAddress, ServiceFeedback& feedback, HttpOptions options = {});

    const QString& baseAddress() const { return m_baseAddress; }

    // The answer to base address + path when it is valid; a refusal shows "Attenzione: "
    // and the service's text, an invalid answer the connection message.
    std::optional<QString> FetchServicePage(const QString& path);

    // The login check has rules of its own and shows nothing: the login window tells the
    // user what the answer means.
    LoginAnswer loginCheck(const QString& userId, const QString& pin);

    ServiceReply<CompetitionList> competitionList(const QString& userId, const QString& pin);
    ServiceReply<CompetitionReply> oneCompetition(const RequestValues& values);
    ServiceReply<CategoriesAnswer> categories(const RequestValues& values);
    ServiceReply<RacesAnswer> races(const RequestValues& values);
    ServiceReply<RegistrationsAnswer> registrations(const RequestValues& values);
    // The same answer kept as its bytes, for the import to read line by line.
    ServiceReply<RegistrationLines> registrationLines(const RequestValues& values);
    ServiceReply<QString> note(const RequestValues& values);
    // The status the service gives to the import (empty when unreadable); see importAccepted.
    ServiceReply<QString> importOrder(const RequestValues& values);

private:
    QString fetch(const QString& path, const QString& statusText, bool busy);
    // Screens the answer and tells the user what the request says.
    ServiceReply<QString> screened(ServiceRequest request, const RequestValues& values);
    template <typename T, typename Parse>
    ServiceReply<T> parsed(ServiceRequest request, const RequestValues& values, Parse parse);

    QString m_baseAddress;
    ServiceFeedback& m_feedback;
    HttpOptions m_options;
};

} // namespace onda
