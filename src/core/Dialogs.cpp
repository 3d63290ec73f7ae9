#include "core/Dialogs.h"

#include <QStringList>

namespace onda {

QString qtFileFilter(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString shown = QStringLiteral("(") + patterns + QLatin1Char(')');
        // A description that already names its patterns shows them once.
        filters << (parts.at(i).endsWith(shown) ? parts.at(i) : parts.at(i) + QLatin1Char(' ') + shown);
    }
    return filters.join(QStringLiteral(";;"));
}

} // namespace onda
