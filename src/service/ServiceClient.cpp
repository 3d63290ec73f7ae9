#include "service/ServiceClient.h"

#include "core/Operation.h"
#include "service/BodyText.h"
#include "service/ServiceFeedback.h"

#include <utility>

namespace onda {

namespace {

ServiceReply<QString> judged(const QString& answer, bool showRefusal, ServiceFeedback& feedback) {
    const Screening screening = screenAnswer(answer);
    switch (screening.verdict) {
    case AnswerVerdict::Refused:
        if (showRefusal)
            feedback.showMessage(QLatin1String("Attenzione: ") + screening.serviceMessage);
        return {AnswerVerdict::Refused, {}};
    case AnswerVerdict::Invalid:
        feedback.showMessage(kConnectionMessage);
        return {AnswerVerdict::Invalid, {}};
    case AnswerVerdict::Valid:
        break;
    }
    return {AnswerVerdict::Valid, answer};
}

} // namespace

ServiceClient::ServiceClient(QString baseAddress, ServiceFeedback& feedback, HttpOptions options)
    : m_baseAddress(std::move(baseAddress)), m_feedback(feedback), m_options(options) {}

QString ServiceClient::fetch(const QString& path, const QString& statusText, bool busy) {
    if (busy)
        m_feedback.setBusy(true);
    if (!statusText.isNull())
        m_feedback.setStatusText(statusText);
    return httpGet(serviceAddress(m_baseAddress, path), m_options);
}

std::optional<QString> ServiceClient::FetchServicePage(const QString& path) {
    ServiceReply<QString> reply = judged(fetch(path, QStringLiteral("Importo le Iscrizioni"), true), true, m_feedback);
    if (!reply.ok())
        return std::nullopt;
    return std::move(reply.value);
}

ServiceReply<QString> ServiceClient::screened(ServiceRequest request, const RequestValues& values) {
    const QString answer = fetch(requestPath(request, values), requestStatusText(request, m_baseAddress), true);
    return judged(answer, requestShowsRefusal(request), m_feedback);
}

template <typename T, typename Parse>
ServiceReply<T> ServiceClient::parsed(ServiceRequest request, const RequestValues& values, Parse parse) {
    const ServiceReply<QString> text = screened(request, values);
    ServiceReply<T> reply;
    reply.verdict = text.verdict;
    if (!text.ok())
        return reply;
    // A valid answer without the part this request reads is not one the service gives. A large
    // one is read while the windows are drawn.
    std::optional<T> value;
    waitFor([&] { value = parse(text.value); });
    if (!value) {
        m_feedback.showMessage(kConnectionMessage);
        reply.verdict = AnswerVerdict::Invalid;
        return reply;
    }
    reply.value = std::move(*value);
    return reply;
}

LoginAnswer ServiceClient::loginCheck(const QString& userId, const QString& pin) {
    const RequestValues values{userId, pin, {}};
    return parseLoginAnswer(fetch(requestPath(ServiceRequest::LoginCheck, values), QString(), false));
}

ServiceReply<CompetitionList> ServiceClient::competitionList(const QString& userId, const QString& pin) {
    return parsed<CompetitionList>(ServiceRequest::CompetitionList, {userId, pin, {}}, &parseCompetitionList);
}

ServiceReply<CompetitionReply> ServiceClient::oneCompetition(const RequestValues& values) {
    return parsed<CompetitionReply>(ServiceRequest::OneCompetition, values,
                                    [](const QString& answer) -> std::optional<CompetitionReply> {
                                        std::optional<CompetitionDetails> details = parseCompetitionDetails(answer);
                                        if (!details)
                                            return std::nullopt;
                                        return CompetitionReply{answer, *details};
                                    });
}

ServiceReply<CategoriesAnswer> ServiceClient::categories(const RequestValues& values) {
    return parsed<CategoriesAnswer>(ServiceRequest::Categories, values, &parseCategories);
}

ServiceReply<RacesAnswer> ServiceClient::races(const RequestValues& values) {
    return parsed<RacesAnswer>(ServiceRequest::Races, values, &parseRaces);
}

ServiceReply<RegistrationsAnswer> ServiceClient::registrations(const RequestValues& values) {
    return parsed<RegistrationsAnswer>(ServiceRequest::Registrations, values, &parseRegistrations);
}

ServiceReply<RegistrationLines> ServiceClient::registrationLines(const RequestValues& values) {
    const ServiceRequest request = ServiceRequest::Registrations;
    HttpOptions options = m_options;
    options.decodeBody = false;
    m_feedback.setBusy(true);
    m_feedback.setStatusText(requestStatusText(request, m_baseAddress));
    QByteArray answer = httpGetResult(serviceAddress(m_baseAddress, requestPath(request, values)), options).bytes;
    ServiceReply<RegistrationLines> reply;
    // The markers are plain letters: the bytes are screened, and only an answer that is no
    // valid one is decoded whole, to be judged as every other.
    bool plain = false;
    waitFor([&] { plain = !answer.contains("ERRORE") && answer.contains("RESPONSE="); });
    if (!plain) {
        reply.verdict = judged(bodyText(answer), requestShowsRefusal(request), m_feedback).verdict;
        return reply;
    }
    std::optional<RegistrationLines> lines;
    waitFor([&] { lines = RegistrationLines::of(std::move(answer)); });
    if (!lines) {
        m_feedback.showMessage(kConnectionMessage);
        return reply;
    }
    reply.verdict = AnswerVerdict::Valid;
    reply.value = std::move(*lines);
    return reply;
}

ServiceReply<QString> ServiceClient::note(const RequestValues& values) {
    return parsed<QString>(ServiceRequest::Note, values, &parseNote);
}

ServiceReply<QString> ServiceClient::importOrder(const RequestValues& values) {
    // A status without its closing "**" is no "OK": the service did not confirm the import.
    return parsed<QString>(ServiceRequest::ImportOrder, values, [](const QString& answer) {
        return std::optional<QString>(parseImportStatus(answer).value_or(QString()));
    });
}

} // namespace onda
