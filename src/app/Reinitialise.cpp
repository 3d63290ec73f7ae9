#include "app/Reinitialise.h"

#include "core/Dialogs.h"
#include "store/Database.h"
#include "store/DatabaseCopies.h"
#include "store/Schema.h"
#include "store/Store.h"

#include <QRegularExpression>

namespace onda {

QString reinitialisationWarning() {
    return QStringLiteral("Attenzione: questo comando cancella i dati nel database relativi ad atleti, "
                          "manifestazioni, categorie, programmi gara.") +
           QStringLiteral("\r\n\r\n") + QStringLiteral("Vuoi procedere ?");
}

bool confirmReinitialisation(Dialogs& dialogs) {
    if (dialogs.askYesNo(reinitialisationWarning(), Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return false;
    return dialogs.askYesNo(QStringLiteral("Sicuro ?"), Dialogs::Answer::No) == Dialogs::Answer::Yes;
}

QStringList reinitialisationStatements(const QVariantList& competitionNumbers) {
    QStringList statements{QStringLiteral("delete * from natl")};
    for (const QVariant& stored : competitionNumbers) {
        // Only a competition number names a registration table: an empty one would name
        // the template itself, and no other text belongs in a statement.
        const QString number = stored.toString().trimmed();
        static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
        if (!digits.match(number).hasMatch())
            continue;
        statements << QStringLiteral("drop table ") + registrationTable(number);
    }
    statements << QStringLiteral("delete * from categorie") << QStringLiteral("delete * from programmi")
               << QStringLiteral("delete * from manif");
    return statements;
}

Status listedCompetitions(const Store& store, const QString& user, QVariantList& numbers) {
    numbers.clear();
    Database db;
    Status status = db.openShared(store.databasePath());
    if (status)
        status = db.read(QStringLiteral("select [Numero Prova] from manif") +
                             (user.isEmpty() ? QString() : QStringLiteral(" where username=?")),
                         user.isEmpty() ? QVariantList{} : QVariantList{user},
                         [&numbers](const Database::Row& row) { numbers << row.text(0); });
    return status;
}

Status reinitialiseDatabase(const Store& store, const QVariantList& competitionNumbers) {
    if (Status s = copies::make(store.databasePath(), copies::beforeReinitialisation()); !s)
        return s;
    return store.ESEGUISQLBatch(reinitialisationStatements(competitionNumbers));
}

bool confirmRestore(Dialogs& dialogs, const DatabaseCopy& copy) {
    const QString question =
        QStringLiteral("Il database sara' sostituito dalla copia del %1 alle %2 (%3): %4 atleti, %5 iscrizioni. "
                       "Il database di adesso viene prima copiato a sua volta e le finestre aperte vengono "
                       "ricaricate.")
            .arg(copy.made.toString(QStringLiteral("dd/MM/yyyy")), copy.made.toString(QStringLiteral("HH:mm")),
                 copies::describe(copy.reason), copyCount(copy.athletes), copyCount(copy.registrations)) +
        QStringLiteral("\r\n\r\n") + QStringLiteral("Vuoi procedere ?");
    return dialogs.askYesNo(question, Dialogs::Answer::No) == Dialogs::Answer::Yes;
}

Status restoreDatabase(const Store& store, const QString& copyPath) {
    if (Status s = copies::restore(store.databasePath(), copyPath); !s)
        return s;
    // A copy of an older version is migrated as at start-up.
    return store.ensureDatabase();
}

QString copyCount(int count) {
    return count < 0 ? QStringLiteral("-") : QString::number(count);
}

} // namespace onda
