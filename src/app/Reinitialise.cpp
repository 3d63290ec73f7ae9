#include "app/Reinitialise.h"

#include "core/Dialogs.h"
#include "store/DataSource.h"
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

QStringList reinitialisationStatements(DataSource& manif) {
    QStringList statements{QStringLiteral("delete * from natl")};
    if (manif.moveFirst()) {
        for (; !manif.eof(); (void)manif.moveNext()) {
            // Only a competition number names a registration table: an empty one would name
            // the template itself, and no other text belongs in a statement.
            const QString number = manif.field(QStringLiteral("Numero Prova")).toString().trimmed();
            static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
            if (!digits.match(number).hasMatch())
                continue;
            statements << QStringLiteral("drop table ") + registrationTable(number);
        }
    }
    statements << QStringLiteral("delete * from categorie") << QStringLiteral("delete * from programmi")
               << QStringLiteral("delete * from manif");
    return statements;
}

Status reinitialiseDatabase(const Store& store, DataSource& manif) {
    return store.ESEGUISQLBatch(reinitialisationStatements(manif));
}

} // namespace onda
