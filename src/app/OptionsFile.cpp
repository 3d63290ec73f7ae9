#include "app/OptionsFile.h"

#include "core/ProgramValues.h"
#include "core/TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

namespace onda {

namespace {

bool readTwoNumbers(const QString& line, int& a, int& b) {
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    const QStringList parts = line.trimmed().split(separators, Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return false;
    bool okA = false;
    bool okB = false;
    const int va = parts.at(0).toInt(&okA);
    const int vb = parts.at(1).toInt(&okB);
    if (!okA || !okB)
        return false;
    a = va;
    b = vb;
    return true;
}

} // namespace

QString optionsTextValue(const QString& line) {
    QString text = line;
    qsizetype start = 0;
    while (start < text.size() && (text.at(start) == QLatin1Char(' ') || text.at(start) == QLatin1Char('\t')))
        ++start;
    text = text.mid(start);
    if (text.startsWith(QLatin1Char('"'))) {
        const qsizetype close = text.indexOf(QLatin1Char('"'), 1);
        return close < 0 ? text.mid(1) : text.mid(1, close - 1);
    }
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    if (comma >= 0)
        text.truncate(comma);
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}

bool readOptionsFile(const QString& path, Options& out) {
    // Only a regular file: a FIFO or a device of that name would block start-up.
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // The eleven short lines of the file; anything past this is not ours to read.
    constexpr qint64 kLargestOptionsFile = 64 * 1024;
    const QStringList lines = splitLines(decodeUtf8OrWindows1252(file.read(kLargestOptionsFile))).mid(0, 10);

    const auto line = [&lines](int n) -> const QString* { return n <= lines.size() ? &lines.at(n - 1) : nullptr; };
    if (const QString* l = line(1))
        out.kind1 = optionsTextValue(*l);
    if (const QString* l = line(2))
        readTwoNumbers(*l, out.min1, out.max1);
    if (const QString* l = line(3))
        out.kind2 = optionsTextValue(*l);
    if (const QString* l = line(4))
        readTwoNumbers(*l, out.min2, out.max2);
    if (const QString* l = line(5))
        out.kind3 = optionsTextValue(*l);
    if (const QString* l = line(6))
        readTwoNumbers(*l, out.min3, out.max3);
    if (const QString* l = line(7))
        out.copyAddress = optionsTextValue(*l);
    if (const QString* l = line(8))
        out.recipientAddress = optionsTextValue(*l);
    if (const QString* l = line(9))
        out.userId = optionsTextValue(*l);
    if (const QString* l = line(10))
        out.pin = optionsTextValue(*l);
    return true;
}

bool createOptionsFile(const QString& path, const QString& userId, const QString& pin, const QString& baseAddress) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out << "Propaganda\n"
        << "2 35\n"
        << "Master\n"
        << "2 35\n"
        << "Generico\n"
        << "2 35\n"
        << "\n"
        << kServiceMailAddress << '\n'
        << userId << '\n'
        << pin << '\n'
        << baseAddress << '\n';
    out.flush();
    return file.commit();
}

void loadOrCreateOptionsFile(const QString& programDirectory, QString& userId, QString& pin,
                             const QString& baseAddress) {
    const QString path = programDirectory + kOptionsFileName;
    if (QFileInfo::exists(path)) {
        Options options;
        if (readOptionsFile(path, options)) {
            if (options.userId)
                userId = *options.userId;
            if (options.pin)
                pin = *options.pin;
        }
        return;
    }
    createOptionsFile(path, userId, pin, baseAddress);
}

} // namespace onda
