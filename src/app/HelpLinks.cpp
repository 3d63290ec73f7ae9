#include "app/HelpLinks.h"

#include <QDir>

namespace onda {

QString instructionsAddress(const QString& executableDirectory) {
    QString directory = executableDirectory;
    while (directory.endsWith(QLatin1Char('/')) || directory.endsWith(QLatin1Char('\\')))
        directory.chop(1);
    return withEncodedBlanks(QStringLiteral("file://") + directory + QStringLiteral("/istruzioni.htm"));
}

QString helpPageDirectory(const QStringList& candidates, const QString& fallback,
                          const std::function<bool(const QString&)>& fileExists) {
    for (const QString& directory : candidates) {
        if (directory.isEmpty())
            continue;
        const bool hasSeparator = directory.endsWith(QLatin1Char('/')) || directory.endsWith(QLatin1Char('\\'));
        const QString page = hasSeparator ? QStringLiteral("istruzioni.htm") : QStringLiteral("/istruzioni.htm");
        if (fileExists(directory + page))
            return directory;
    }
    return fallback;
}

QString helpPageMissing(const QString& page) {
    return QStringLiteral("La pagina delle istruzioni non c'e': manca il file ") + QDir::toNativeSeparators(page) +
           QStringLiteral("\r\nReinstalla il programma, oppure rimetti il file istruzioni.htm nella sua cartella.");
}

QString programHomeAddress(const QString& baseAddress) {
    return withEncodedBlanks(baseAddress + QStringLiteral("/Ondanet/ONDA_link"));
}

QString serviceHomeAddress(const QString& baseAddress) {
    return withEncodedBlanks(baseAddress);
}

} // namespace onda
