#pragma once

#include <QString>

namespace onda {

// The requests the program sends to the service.
enum class ServiceRequest {
    LoginCheck,
    CompetitionList,
    OneCompetition,
    Categories,
    Races,
    Registrations,
    Note,
    ImportOrder,
};

// The values a request carries. The competition number is the text the workspace shows.
struct RequestValues {
    QString userId;
    QString pin;
    QString manifId;
};

// "0012" -> "12", "" -> "0": the numeric value of a text written back as a plain number.
QString numericParameter(const QString& text);

// The path and query of a request, starting with "/". Parameter values are percent-encoded
// (a blank becomes %20) so that the server reads them back exactly as stored, whatever
// they contain.
QString requestPath(ServiceRequest request, const RequestValues& values);

// The base address with every blank as %20, followed by a path as it is: a base ending in
// "/" gives "//" at the seam, which the service accepts.
QString serviceAddress(const QString& baseAddress, const QString& path);

inline QString requestAddress(const QString& baseAddress, ServiceRequest request, const RequestValues& values) {
    return serviceAddress(baseAddress, requestPath(request, values));
}

// The status-bar text while the request runs; a null text leaves the status bar as it is.
QString requestStatusText(ServiceRequest request, const QString& baseAddress);

// Whether a refusal of the service is shown to the user ("Attenzione: " + its text).
bool requestShowsRefusal(ServiceRequest request);

// The service's pages opened in the browser: the whole address with every blank as %20.
QString publicCompetitionListPage(const QString& baseAddress);
QString clubRegistrationsPage(const QString& baseAddress, const QString& manifId, const QString& club);

} // namespace onda
