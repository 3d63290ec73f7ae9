#include "lenex/SwimCodes.h"

#include "core/SwimTime.h"

#include <QRegularExpression>

#include <algorithm>

namespace onda::lenex {

namespace {

struct Stroke {
    const char* code;
    const char* stroke;
};
constexpr Stroke kStrokes[] = {
    {"SL", "FREE"}, {"DO", "BACK"}, {"RA", "BREAST"}, {"FA", "FLY"}, {"MI", "MEDLEY"},
};
// Strokes our codes have no abbreviation for: written as they are.
constexpr const char* kOtherStrokes[] = {"IMRELAY",   "APNEA",   "BIFINS",         "MIXEDFINS",
                                         "IMMERSION", "SURFACE", "SPEED_APNEA",    "SPEED_ENDURANCE",
                                         "STATIC",    "DYNAMIC", "DYNAMIC_BIFINS", "DYNAMIC_NOFINS"};
// Technical races of meets for children: a word after the stroke, "4x25 SL GAMBE".
constexpr Stroke kTechniques[] = {{"GAMBE", "KICK"},         {"BRACCIA", "PULL"},   {"SUBACQUEO", "DIVE"},
                                  {"SCIVOLAMENTO", "GLIDE"}, {"PARTENZA", "START"}, {"VIRATA", "TURN"}};

QString strokeOf(const QString& code) {
    for (const Stroke& s : kStrokes) {
        if (code == QLatin1String(s.code))
            return QLatin1String(s.stroke);
    }
    for (const char* other : kOtherStrokes) {
        if (code == QLatin1String(other))
            return code;
    }
    return {};
}

} // namespace

SwimStyle styleOfRace(const QString& raceCode) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*(?:(\d+)\s*[xX]\s*)?(\d+)\s*([A-Za-z_]+)(?:\s+([A-Za-z]+))?\s*$)"));
    // A second event of the same race carries its number: "100 SL (N. 516)" is still 100 m FREE.
    static const QRegularExpression numbered(QStringLiteral(R"(\s*\(N\.\s*\d+\)\s*$)"));
    const QRegularExpressionMatch match = pattern.match(QString(raceCode).remove(numbered));
    if (match.hasMatch()) {
        SwimStyle style;
        style.stroke = strokeOf(match.captured(3).toUpper());
        style.distance = match.captured(2).toInt();
        style.relayCount = match.captured(1).isEmpty() ? 1 : match.captured(1).toInt();
        const QString technique = match.captured(4).toUpper();
        for (const Stroke& t : kTechniques) {
            if (technique == QLatin1String(t.code))
                style.technique = QLatin1String(t.stroke);
        }
        if (!style.stroke.isEmpty() && style.distance > 0 && style.relayCount > 0 &&
            technique.isEmpty() == style.technique.isEmpty())
            return style;
    }
    // A race of our own: its name keeps the code, its distance the number it starts with.
    static const QRegularExpression distance(QStringLiteral(R"(^\s*(?:(\d+)\s*[xX]\s*)?(\d+))"));
    const QRegularExpressionMatch leading = distance.match(raceCode);
    SwimStyle unknown;
    unknown.stroke = QStringLiteral("UNKNOWN");
    unknown.name = raceCode.trimmed();
    if (leading.hasMatch()) {
        unknown.distance = leading.captured(2).toInt();
        unknown.relayCount = leading.captured(1).isEmpty() ? 1 : std::max(1, leading.captured(1).toInt());
    }
    return unknown;
}

QString raceOfStyle(const SwimStyle& style) {
    QString technique;
    for (const Stroke& t : kTechniques) {
        if (style.technique.compare(QLatin1String(t.stroke), Qt::CaseInsensitive) == 0)
            technique = QLatin1Char(' ') + QLatin1String(t.code);
    }
    if (technique.isEmpty() && !style.technique.isEmpty())
        technique = QLatin1Char(' ') + style.technique.toUpper();
    const QString legs = style.relayCount > 1 ? QString::number(style.relayCount) + QLatin1Char('x') : QString();
    if (style.stroke != QLatin1String("UNKNOWN") && style.distance > 0) {
        QString code = style.stroke;
        for (const Stroke& s : kStrokes) {
            if (style.stroke == QLatin1String(s.stroke))
                code = QLatin1String(s.code);
        }
        return legs + QString::number(style.distance) + QLatin1Char(' ') + code + technique;
    }
    if (!style.name.trimmed().isEmpty())
        return style.name.trimmed();
    return legs + QString::number(style.distance) + QLatin1Char(' ') + style.stroke + technique;
}

bool sameRace(const QString& a, const QString& b) {
    return raceOfStyle(styleOfRace(a)).compare(raceOfStyle(styleOfRace(b)), Qt::CaseInsensitive) == 0;
}

QString formatSwimTime(int hundredths) {
    if (hundredths <= 0)
        return QStringLiteral("NT");
    const int h = hundredths / 360000;
    const int m = hundredths / 6000 % 60;
    const int s = hundredths / 100 % 60;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(h, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'))
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

std::optional<int> parseSwimTime(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("NT"), Qt::CaseInsensitive) == 0)
        return -1;
    static const QRegularExpression pattern(QStringLiteral(R"(^(\d{1,2}):(\d{2}):(\d{2})\.(\d{2})$)"));
    const QRegularExpressionMatch match = pattern.match(t);
    if (!match.hasMatch())
        return std::nullopt;
    const int m = match.captured(2).toInt();
    const int s = match.captured(3).toInt();
    if (m > 59 || s > 59)
        return std::nullopt;
    const int value = ((match.captured(1).toInt() * 60 + m) * 60 + s) * 100 + match.captured(4).toInt();
    return value == 0 ? -1 : value; // an entry of all zeros means no time
}

int hundredthsOf(double minutes, double seconds) {
    return SwimTime(minutes, seconds).hundredths();
}

} // namespace onda::lenex
