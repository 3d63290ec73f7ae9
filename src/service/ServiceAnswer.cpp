#include "service/ServiceAnswer.h"

#include "service/BodyText.h"

#include <algorithm>

namespace onda {

namespace {

const QLatin1String kErrorWord("ERRORE");
const QLatin1String kErrorMarker("ERRORE=");
const QLatin1String kResponseMarker("RESPONSE=");
const QLatin1String kClose("**");

struct PayloadFormat {
    QLatin1String marker;
    int skipAfterMarker;
    int trailing; // characters that close the answer after the payload
    QLatin1String recordEnd;
    QLatin1Char separator;
};

PayloadFormat format(PayloadMarker marker) {
    switch (marker) {
    case PayloadMarker::Manif:
        return {QLatin1String("MANIF="), 0, 2, QLatin1String("$"), QLatin1Char('|')};
    case PayloadMarker::Categorie:
        return {QLatin1String("CATEGORIE="), 0, 2, QLatin1String("$"), QLatin1Char('|')};
    case PayloadMarker::Programmi:
        return {QLatin1String("PROGRAMMI="), 2, 2, QLatin1String("\r\n"), QLatin1Char('\t')};
    case PayloadMarker::Iscrizioni:
        return {QLatin1String("ISCRIZIONI="), 2, 2, QLatin1String("\r\n"), QLatin1Char('\t')};
    case PayloadMarker::Nota:
        break;
    }
    return {QLatin1String("NOTA="), 0, 4, QLatin1String(), QLatin1Char('\0')};
}

// The text after the first `open` up to the first `close` found after it.
std::optional<QString> textBetween(const QString& answer, QLatin1String open, QLatin1String close) {
    const qsizetype openAt = answer.indexOf(open);
    if (openAt < 0)
        return std::nullopt;
    const qsizetype closeAt = answer.indexOf(close, openAt + 1);
    const qsizetype start = openAt + open.size();
    if (closeAt < start)
        return std::nullopt;
    return answer.mid(start, closeAt - start);
}

std::optional<QList<QStringList>> recordsOf(const QString& answer, PayloadMarker marker) {
    const std::optional<QString> payload = cutPayload(answer, marker);
    if (!payload)
        return std::nullopt;
    return splitRecords(*payload, marker);
}

} // namespace

std::optional<QString> serviceErrorText(const QString& answer) {
    return textBetween(answer, kErrorMarker, kClose);
}

Screening screenAnswer(const QString& answer) {
    if (answer.contains(kErrorWord)) {
        if (std::optional<QString> message = serviceErrorText(answer))
            return {AnswerVerdict::Refused, *message};
        return {AnswerVerdict::Invalid, {}};
    }
    if (!answer.contains(kResponseMarker))
        return {AnswerVerdict::Invalid, {}};
    return {AnswerVerdict::Valid, {}};
}

std::optional<QString> cutPayload(const QString& answer, PayloadMarker marker) {
    const PayloadFormat f = format(marker);
    const qsizetype at = answer.indexOf(f.marker);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + f.marker.size() + f.skipAfterMarker;
    const qsizetype count = answer.size() - start - f.trailing;
    if (count <= 0)
        return QString();
    return answer.mid(start, count);
}

QList<QStringList> splitRecords(const QString& payload, PayloadMarker marker) {
    const PayloadFormat f = format(marker);
    QList<QStringList> records;
    if (f.recordEnd.isEmpty())
        return records;
    QStringList pieces = payload.split(f.recordEnd);
    pieces.removeLast(); // split always gives at least one piece
    records.reserve(pieces.size());
    for (const QString& piece : std::as_const(pieces))
        records.append(piece.split(f.separator));
    return records;
}

std::optional<CompetitionList> parseCompetitionList(const QString& answer) {
    const std::optional<QList<QStringList>> records = recordsOf(answer, PayloadMarker::Manif);
    if (!records)
        return std::nullopt;

    CompetitionList list;
    // The group id ends one character before "order".
    const QLatin1String groupMarker("gruppoID=");
    const qsizetype groupAt = answer.indexOf(groupMarker);
    if (groupAt >= 0) {
        const qsizetype orderAt = answer.indexOf(QLatin1String("order"), groupAt + 1);
        const qsizetype start = groupAt + groupMarker.size();
        if (orderAt - 1 > start)
            list.groupId = answer.mid(start, orderAt - 1 - start);
    }
    for (const QStringList& fields : *records) {
        if (fields.size() < 8)
            continue;
        list.competitions.append({fields[0], fields[1], fields[2], fields[3], fields[6], fields[7]});
    }
    return list;
}

std::optional<CompetitionDetails> parseCompetitionDetails(const QString& answer) {
    const std::optional<QList<QStringList>> records = recordsOf(answer, PayloadMarker::Manif);
    if (!records)
        return std::nullopt;
    CompetitionDetails details;
    for (const QStringList& fields : *records) {
        if (fields.size() >= 7)
            details.limits = CompetitionLimits{fields[5], fields[6]};
    }
    return details;
}

std::optional<CategoriesAnswer> parseCategories(const QString& answer) {
    const std::optional<QString> payload = cutPayload(answer, PayloadMarker::Categorie);
    if (!payload)
        return std::nullopt;
    CategoriesAnswer result;
    result.payload = *payload;
    for (const QStringList& fields : splitRecords(*payload, PayloadMarker::Categorie)) {
        if (fields.size() >= 4)
            result.categories.append({fields[0], fields[1], fields[2], fields[3]});
    }
    return result;
}

std::optional<RacesAnswer> parseRaces(const QString& answer) {
    const std::optional<QString> payload = cutPayload(answer, PayloadMarker::Programmi);
    if (!payload)
        return std::nullopt;
    RacesAnswer result;
    result.payload = *payload;
    for (const QStringList& fields : splitRecords(*payload, PayloadMarker::Programmi)) {
        if (fields.size() >= 4)
            result.races.append({fields[0], fields[1], fields[2], fields[3]});
    }
    return result;
}

std::optional<RegistrationsAnswer> parseRegistrations(const QString& answer) {
    const std::optional<RegistrationLines> lines = RegistrationLines::of(answer.toUtf8());
    if (!lines)
        return std::nullopt;
    RegistrationsAnswer result;
    result.lineCount = lines->lineCount();
    const RegistrationReader next = lines->registrations()();
    for (Registration r; next(r);)
        result.registrations.append(r);
    return result;
}

RegistrationSource registrationsOf(const QList<Registration>& list) {
    return [&list]() -> RegistrationReader {
        return [&list, at = qsizetype(0)](Registration& next) mutable {
            if (at == list.size())
                return false;
            next = list.at(at++);
            return true;
        };
    };
}

std::optional<RegistrationLines> RegistrationLines::of(QByteArray answer) {
    const PayloadFormat f = format(PayloadMarker::Iscrizioni);
    const qsizetype at = answer.indexOf(QByteArrayView(f.marker.data(), f.marker.size()));
    if (at < 0)
        return std::nullopt;
    RegistrationLines lines;
    lines.m_start = at + f.marker.size() + f.skipAfterMarker;
    lines.m_end = std::max(lines.m_start, answer.size() - f.trailing);
    // A line is a piece followed by the record end: text after the last one is not a line.
    for (qsizetype end = answer.indexOf("\r\n", lines.m_start); end >= 0 && end + 2 <= lines.m_end;
         end = answer.indexOf("\r\n", end + 2))
        ++lines.m_lineCount;
    lines.m_answer = std::move(answer);
    return lines;
}

RegistrationSource RegistrationLines::registrations() const {
    return [this]() -> RegistrationReader {
        return [this, from = m_start](Registration& next) mutable {
            for (;;) {
                const qsizetype end = m_answer.indexOf("\r\n", from);
                if (end < 0 || end + 2 > m_end)
                    return false;
                const QStringList f =
                    lineText(QByteArrayView(m_answer.constData() + from, end - from)).split(QLatin1Char('\t'));
                from = end + 2;
                if (f.size() < 10)
                    continue;
                QString seconds = f[8];
                seconds.replace(QLatin1Char(','), QLatin1Char('.'));
                next = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], seconds, f[9]};
                return true;
            }
        };
    };
}

std::optional<QString> parseNote(const QString& answer) {
    return cutPayload(answer, PayloadMarker::Nota);
}

std::optional<QString> parseImportStatus(const QString& answer) {
    return textBetween(answer, kResponseMarker, kClose);
}

LoginAnswer parseLoginAnswer(const QString& answer) {
    LoginAnswer result;
    if (answer.contains(kErrorWord)) {
        if (std::optional<QString> message = serviceErrorText(answer)) {
            result.verdict = LoginVerdict::Refused;
            result.serviceMessage = *message;
        }
        return result;
    }
    if (!answer.contains(QLatin1String("OK")))
        return result;
    const std::optional<QString> club = textBetween(answer, QLatin1String("SOC="), kClose);
    if (club && !club->isEmpty()) {
        result.verdict = LoginVerdict::Accepted;
        result.club = *club;
    }
    return result;
}

} // namespace onda
