#include "lenex/LenexNames.h"

#include <QStringList>

namespace onda::lenex {

namespace {

bool isParticle(const QString& word) {
    static const QStringList particles = {QStringLiteral("DE"),    QStringLiteral("DI"),    QStringLiteral("DA"),
                                          QStringLiteral("DEL"),   QStringLiteral("DELLA"), QStringLiteral("DALLA"),
                                          QStringLiteral("DELLE"), QStringLiteral("DEGLI"), QStringLiteral("LO"),
                                          QStringLiteral("LA"),    QStringLiteral("LI"),    QStringLiteral("D'"),
                                          QStringLiteral("DELL'"), QStringLiteral("MC"),    QStringLiteral("VAN"),
                                          QStringLiteral("VON"),   QStringLiteral("DOS"),   QStringLiteral("DAS")};
    return particles.contains(word.toUpper());
}

} // namespace

std::pair<QString, QString> splitName(const QString& name) {
    const QStringList words = name.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    // Particles join the word after them, as long as a first name is left.
    qsizetype surname = 1;
    while (surname < words.size() - 1 && isParticle(words.at(surname - 1)))
        ++surname;
    return {words.mid(0, surname).join(QLatin1Char(' ')), words.mid(surname).join(QLatin1Char(' '))};
}

QString foldedName(const QString& name) {
    QString folded;
    const QString decomposed = name.normalized(QString::NormalizationForm_KD);
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        if (c == QLatin1Char('\'') || c == QChar(0x2019) || c == QLatin1Char('`') || c == QChar(0x00B4))
            folded += QLatin1Char(' ');
        else
            folded += c;
    }
    return folded.toUpper().simplified();
}

} // namespace onda::lenex
