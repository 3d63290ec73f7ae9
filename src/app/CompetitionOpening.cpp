#include "app/CompetitionOpening.h"

#include "store/DataSource.h"
#include "store/Schema.h"
#include "store/SqlText.h"
#include "store/Values.h"

namespace onda {

QString modeText(OpeningMode mode) {
    switch (mode) {
    case OpeningMode::Online:
        return QStringLiteral("ON-LINE");
    case OpeningMode::Offline:
        return QStringLiteral("OFF-LINE");
    case OpeningMode::Cancelled:
        break;
    }
    return QStringLiteral("Cancella");
}

std::optional<StoredCompetition> findStoredCompetition(DataSource& manif, const QString& user, const QString& number) {
    manif.setRecordSource(QStringLiteral("select * from manif where username=") + sqlQuoted(user));
    if (!manif.refresh())
        return std::nullopt;
    if (!manif.findFirst(QStringLiteral("[numero prova]=") + number) || manif.noMatch())
        return std::nullopt;
    const auto text = [&manif](const char* field) { return displayText(manif.field(QLatin1String(field))); };
    StoredCompetition stored;
    stored.name = text("Nome Manifestazione");
    stored.place = displayText(manif.field(QStringLiteral("Località")));
    stored.date = text("Data");
    stored.maxEntriesPerClub = manif.field(QStringLiteral("Num Max Iscrizioni per soc"));
    stored.maxEntriesPerAthlete = manif.field(QStringLiteral("Num Max Iscrizioni per atleta"));
    stored.club = text("societa");
    stored.note = manif.field(QStringLiteral("nota")).toString();
    return stored;
}

QString competitionCategoriesText(DataSource& source, const QString& number) {
    source.setRecordSource(QStringLiteral("select * from categorie where manifID=") + number);
    QString text;
    if (!source.refresh())
        return text;
    const int sex = source.fieldIndex(QStringLiteral("sesso"));
    const int name = source.fieldIndex(QStringLiteral("categoria"));
    const int first = source.fieldIndex(QStringLiteral("AnnoIni"));
    const int last = source.fieldIndex(QStringLiteral("AnnoFin"));
    const QLatin1Char bar('|');
    for (int r = 0; r < source.rowCount(); ++r) {
        text += displayText(source.value(r, sex)) + bar + displayText(source.value(r, name)) + bar +
                displayText(source.value(r, first)) + bar + displayText(source.value(r, last)) + bar + QLatin1Char('$');
    }
    return text;
}

QString clubRegistrationsQuery(const QString& number, const QString& club) {
    return QStringLiteral("select * from ") + registrationTable(number) + QStringLiteral(" where soc=") +
           sqlQuoted(club) + QStringLiteral(" order by OrdineInserimento desc");
}

} // namespace onda
