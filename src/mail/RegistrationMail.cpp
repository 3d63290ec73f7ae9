#include "mail/RegistrationMail.h"

#include "reports/ReportText.h"

#include "core/AppState.h"
#include "core/ProgramValues.h"
#include "store/Values.h"

#include <QStringList>

namespace onda {

namespace {
const QString crlf = QStringLiteral("\r\n");
} // namespace

namespace mailtext {

QString subject(const QString& competitionNumber) {
    return QStringLiteral("Invio iscrizioni prova ") + competitionNumber;
}

QString summary(const QString& userId, const Competition& competition) {
    return QStringLiteral("Iscrizioni relative a utente ") + userId + crlf + QStringLiteral("      Manifestazione:") +
           competition.name + crlf + QStringLiteral("           Localita':") + competition.place + crlf +
           QStringLiteral("                Data:") + competition.date + crlf + QStringLiteral("Iscrizioni presenti:") +
           competition.registrationCount + crlf + QStringLiteral("Nota:") + crlf + competition.note;
}

QString preview(const QString& summary, const QString& registrationList) {
    return summary + kPlaceholder + registrationList;
}

QString sentText(const QString& summary, const QString& additional, const QString& registrationList) {
    const QString rule(40, u'-');
    return summary + crlf + QStringLiteral("Messaggio addizionale:") + crlf + additional + crlf + registrationList +
           crlf + rule + crlf + crlf + crlf + rule + crlf +
           QStringLiteral("TEMPRA - Sistema Cronometraggio Automatico ") + crlf + kTimingWebAddress;
}

QString notSentNotice(const QString& attachmentPath) {
    return QStringLiteral("ATTENZIONE: Il messaggio non e' stato inviato. Puo' essere comunque inviato specificando il "
                          "file ") +
           crlf + crlf + attachmentPath + crlf + crlf +
           QStringLiteral(" come attachment (allegato). Mandare il mail a:") + crlf + crlf + u' ' + kServiceMailAddress;
}

QString sendError(int number) {
    return QStringLiteral("Errore durante l'invio: ") + (number >= 0 ? QStringLiteral(" ") : QString()) +
           QString::number(number);
}

QString sentNotice(const QString& to, const QString& copy) {
    return QStringLiteral("Messaggio inviato a ") + to + u';' + copy;
}

QString copyList(const QString& userCopies) {
    return kTimingMailAddress + u';' + userCopies;
}

} // namespace mailtext

QString registrationListText(const QString& databasePath, const ReportHeading& heading) {
    // The list as the printed report gives it, so that the mail and the paper agree.
    return buildReport(ReportForm::Printed, databasePath, heading);
}

} // namespace onda
