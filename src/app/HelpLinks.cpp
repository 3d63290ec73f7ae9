#include "app/HelpLinks.h"

namespace onda {

QString instructionsAddress(const QString& executableDirectory)
{
    QString directory = executableDirectory;
    while (directory.endsWith(QLatin1Char('/')) || directory.endsWith(QLatin1Char('\\')))
        directory.chop(1);
    return withEncodedBlanks(QStringLiteral("file://") + directory + QStringLiteral("/istruzioni.htm"));
}

QString programHomeAddress(const QString& baseAddress)
{
    return withEncodedBlanks(baseAddress + QStringLiteral("/Ondanet/ONDA_link"));
}

QString serviceHomeAddress(const QString& baseAddress)
{
    return withEncodedBlanks(baseAddress);
}

} // namespace onda
