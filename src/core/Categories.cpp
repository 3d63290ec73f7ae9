#include "core/Categories.h"

#include "store/Values.h"

namespace onda {

CategoryMatch cercaCategoria(const QString& categoriesText, const QString& sex, const QString& year) {
    CategoryMatch match;
    const QStringList entries = categoriesText.split(QLatin1Char('$'));
    const double athleteYear = numericValue(year);
    // The piece after the final "$" is not an entry.
    for (qsizetype i = 0; i + 1 < entries.size(); ++i) {
        const QStringList fields = entries.at(i).split(QLatin1Char('|'));
        if (fields.size() < 4)
            continue;
        if (fields.at(0) == sex && numericValue(fields.at(2)) <= athleteYear &&
            athleteYear <= numericValue(fields.at(3))) {
            match.category = fields.at(1);
            match.list += QLatin1Char('|') + fields.at(1);
        }
    }
    return match;
}

QStringList categoryItems(const QString& list) {
    QStringList items = list.split(QLatin1Char('|'));
    if (!items.isEmpty())
        items.removeFirst();
    return items;
}

QString noCategoryQuestion(const QString& sex, const QString& year) {
    return QStringLiteral("Non esiste una categoria definita per queste gare per questo atleta: ") + sex +
           QLatin1Char(' ') + year + QStringLiteral(". Vuoi controllare le categore previste per questa gara ?");
}

} // namespace onda
