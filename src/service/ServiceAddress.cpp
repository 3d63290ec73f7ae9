#include "service/ServiceAddress.h"

#include "store/Values.h"

#include <QUrl>

namespace onda {

namespace {

QString blanksEncoded(QString text) {
    return text.replace(QLatin1Char(' '), QLatin1String("%20"));
}

QString encoded(const QString& value) {
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString withCredentials(const QString& pathAndFirst, const RequestValues& values) {
    return pathAndFirst + QLatin1String("user=") + encoded(values.userId) + QLatin1String("&PIN=") +
           encoded(values.pin);
}

QString competitionRequest(const char* page, const RequestValues& values) {
    return withCredentials(QLatin1String("/OndaNet/TempraInt/") + QLatin1String(page) + QLatin1String("?ManifID=") +
                               encoded(values.manifId) + QLatin1Char('&'),
                           values);
}

} // namespace

QString numericParameter(const QString& text) {
    return QString::number(numericValue(text), 'g', 15);
}

QString requestPath(ServiceRequest request, const RequestValues& values) {
    switch (request) {
    case ServiceRequest::LoginCheck:
    case ServiceRequest::CompetitionList:
        return withCredentials(QStringLiteral("/OndaNet/TempraInt/getManifestazioni.asp?"), values);
    case ServiceRequest::OneCompetition:
        return competitionRequest("getManifestazioni.asp", values);
    case ServiceRequest::Categories:
        return competitionRequest("getCategorie.asp", values);
    case ServiceRequest::Races:
        return competitionRequest("getProgrammi.asp", values);
    case ServiceRequest::Registrations:
        return competitionRequest("getIscr.asp", values);
    case ServiceRequest::Note:
        return competitionRequest("getNota.asp", values);
    case ServiceRequest::ImportOrder: {
        const QString number = numericParameter(values.manifId);
        return withCredentials(QStringLiteral("/OndaNet/TempraInt/putIscrizioni.asp?ID=") + number + QLatin1Char('&'),
                               values) +
               QLatin1String("&Fname=/db/temp/transfer.mdb&nprova=") + number;
    }
    }
    return {};
}

QString serviceAddress(const QString& baseAddress, const QString& path) {
    return blanksEncoded(baseAddress) + path;
}

QString requestStatusText(ServiceRequest request, const QString& baseAddress) {
    switch (request) {
    case ServiceRequest::CompetitionList:
        return QLatin1String("Mi sto collegando a ") + baseAddress + QLatin1Char('.');
    case ServiceRequest::Categories:
        return QStringLiteral("Importo le categorie.");
    case ServiceRequest::Races:
        return QStringLiteral("Importo le Gare");
    case ServiceRequest::OneCompetition:
    case ServiceRequest::Registrations:
    case ServiceRequest::Note:
        return QStringLiteral("Importo le Iscrizioni");
    case ServiceRequest::LoginCheck:
    case ServiceRequest::ImportOrder:
        break;
    }
    return {};
}

bool requestShowsRefusal(ServiceRequest request) {
    switch (request) {
    case ServiceRequest::LoginCheck:
    case ServiceRequest::OneCompetition:
    case ServiceRequest::Note:
    case ServiceRequest::ImportOrder:
        return true;
    case ServiceRequest::CompetitionList:
    case ServiceRequest::Categories:
    case ServiceRequest::Races:
    case ServiceRequest::Registrations:
        break;
    }
    return false;
}

QString publicCompetitionListPage(const QString& baseAddress) {
    return blanksEncoded(baseAddress + QLatin1String("/Ondanet/public/SceltaManifPub.asp?GruppoID=10"));
}

QString clubRegistrationsPage(const QString& baseAddress, const QString& manifId, const QString& club) {
    return blanksEncoded(baseAddress + QLatin1String("/ondanet/Manifestazioni/iscrizioni_S.asp?manifID=") + manifId +
                         QLatin1String("&MODE=view&soc=") + club);
}

} // namespace onda
