#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace onda {

// One category of a competition: the athletes of that sex born from the first to the last year.
struct CompetitionCategory {
    QString sex;
    QString name;
    double firstYear = 0;
    double lastYear = 0;
    friend bool operator==(const CompetitionCategory&, const CompetitionCategory&) = default;
};

// The categories text the service sends and the workspace keeps out of sight
// ("M|M25|1975|1979|$F|F25|1975|1979|$"): entries of fewer than four fields are skipped, and
// so is the piece after the final "$". Years that are not numbers read 0.
QList<CompetitionCategory> categoriesOfText(const QString& text);
QString categoriesText(const QList<CompetitionCategory>& categories);

// The categories of a competition that fit an athlete.
struct CategoryMatch {
    QString category; // the last fitting category in table order; empty when none
    QString list;     // every fitting category, each preceded by "|"
};

// cercaCategoria: the sexes compare exactly (case included); the year is a text whose
// numeric value must lie within the category's first and last year.
CategoryMatch cercaCategoria(const QList<CompetitionCategory>& categories, const QString& sex, const QString& year);

// assegnaCategoria: the items of the category drop-down for a match list.
QStringList categoryItems(const QString& list);

// The question asked when no category fits the athlete.
QString noCategoryQuestion(const QString& sex, const QString& year);

} // namespace onda
