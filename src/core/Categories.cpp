#include "core/Categories.h"

#include "store/Values.h"

namespace onda {

QList<CompetitionCategory> categoriesOfText(const QString& text) {
    QList<CompetitionCategory> categories;
    const QStringList entries = text.split(QLatin1Char('$'));
    for (qsizetype i = 0; i + 1 < entries.size(); ++i) {
        const QStringList fields = entries.at(i).split(QLatin1Char('|'));
        if (fields.size() >= 4)
            categories.append({fields.at(0), fields.at(1), numericValue(fields.at(2)), numericValue(fields.at(3))});
    }
    return categories;
}

QString categoriesText(const QList<CompetitionCategory>& categories) {
    QString text;
    const QLatin1Char bar('|');
    for (const CompetitionCategory& c : categories)
        text += c.sex + bar + c.name + bar + QString::number(c.firstYear, 'g', 15) + bar +
                QString::number(c.lastYear, 'g', 15) + bar + QLatin1Char('$');
    return text;
}

CategoryMatch cercaCategoria(const QList<CompetitionCategory>& categories, const QString& sex, const QString& year) {
    CategoryMatch match;
    const double athleteYear = numericValue(year);
    for (const CompetitionCategory& c : categories) {
        if (c.sex == sex && c.firstYear <= athleteYear && athleteYear <= c.lastYear) {
            match.category = c.name;
            match.list += QLatin1Char('|') + c.name;
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
