#pragma once

#include <QString>

namespace onda {

struct ReportHeading;

struct Competition;

// The texts of the registration mail.
namespace mailtext {

// The placeholder the preview shows where the additional message goes.
inline const QString kPlaceholder = QStringLiteral("...");

QString subject(const QString& competitionNumber);
// The summary, labels right-aligned on their colons for a fixed-pitch font.
QString summary(const QString& userId, const Competition& competition);
// What the preview shows: summary, placeholder, registration list.
QString preview(const QString& summary, const QString& registrationList);
// The text that is sent, built from its parts so that it always carries the additional
// message as it is now, and a "..." inside the note or the list stays as it is.
QString sentText(const QString& summary, const QString& additional, const QString& registrationList);
// The message shown when the user does not let the program log on to the mail system.
QString notSentNotice(const QString& attachmentPath);
// "Errore durante l'invio: " + the number, a blank before it when it is not negative.
QString sendError(int number);
QString sentNotice(const QString& to, const QString& copy);
// The copy list the mail system receives: the timing system first, then the user's copies.
QString copyList(const QString& userCopies);

} // namespace mailtext

// The club's registrations of a competition as the printed report lists them, read from the
// database; empty when the club has none.
QString registrationListText(const QString& databasePath, const ReportHeading& heading);

} // namespace onda
