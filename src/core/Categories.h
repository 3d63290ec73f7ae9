#pragma once

#include <QString>
#include <QStringList>

namespace onda {

// The categories of a competition that fit an athlete, read from the competition's
// categories text ("M|M25|1975|1979|$F|F25|1975|1979|$").
struct CategoryMatch {
    QString category; // the last fitting category in table order; empty when none
    QString list;     // every fitting category, each preceded by "|"
};

// cercaCategoria: the sexes compare exactly (case included); the year is a text whose
// numeric value must lie within the category's first and last year.
CategoryMatch cercaCategoria(const QString& categoriesText, const QString& sex, const QString& year);

// assegnaCategoria: the items of the category drop-down for a match list.
QStringList categoryItems(const QString& list);

// The question asked when no category fits the athlete.
QString noCategoryQuestion(const QString& sex, const QString& year);

} // namespace onda
