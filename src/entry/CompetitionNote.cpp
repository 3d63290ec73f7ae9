#include "entry/CompetitionNote.h"

#include "store/DataSource.h"
#include "store/SqlText.h"

namespace onda {

namespace {

bool findCompetitionRow(DataSource& manif, const QString& number, const QString& user) {
    if (number.trimmed().isEmpty() || !manif.refresh())
        return false;
    const Status found = manif.findFirst(QStringLiteral("[Numero Prova]=") + number + QStringLiteral(" and userName=") +
                                         sqlQuoted(user));
    return found.ok() && !manif.noMatch();
}

} // namespace

std::optional<QString> readCompetitionNote(DataSource& manif, const QString& number, const QString& user) {
    if (!findCompetitionRow(manif, number, user))
        return std::nullopt;
    return manif.field(QStringLiteral("Nota")).toString();
}

bool saveCompetitionNote(DataSource& manif, const QString& number, const QString& user, const QString& note) {
    if (!findCompetitionRow(manif, number, user) || !manif.edit())
        return false;
    if (!manif.setField(QStringLiteral("Nota"), note) || !manif.update()) {
        manif.cancelUpdate();
        return false;
    }
    return true;
}

} // namespace onda
