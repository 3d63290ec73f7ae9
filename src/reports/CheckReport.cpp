#include "reports/CheckReport.h"

#include "lenex/LenexData.h"

namespace onda {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

constexpr int kWidth = 100; // the printed page's columns

// `head` and then `text` as lines of at most kWidth columns, the continuations under the text.
QStringList wrapped(const QString& head, const QString& text) {
    // Most lines fit as they are: words apart by one blank, short enough.
    if (head.size() + text.size() <= kWidth && !text.startsWith(QLatin1Char(' ')) && !text.endsWith(QLatin1Char(' ')) &&
        !text.contains(QLatin1String("  ")))
        return {head + text};
    QStringList out;
    QString line = head;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (line.size() > head.size() && line.size() + 1 + word.size() > kWidth) {
            out << line;
            line = QString(head.size(), QLatin1Char(' '));
        }
        line += (line.size() > head.size() ? QStringLiteral(" ") : QString()) + word;
    }
    return out << line;
}

QString shownTime(int hundredths) {
    return hundredths > 0 ? lenex::shownBestTime(hundredths) : QStringLiteral("S.T.");
}

} // namespace

QString buildCheckReport(ReportForm form, const lenex::EntriesCheck& check, const ReportHeading& h) {
    const bool cells = form == ReportForm::Spreadsheet;
    QStringList lines{QStringLiteral("ONDA_Link - Verifica iscrizioni"),
                      h.club + QStringLiteral(" - ") + h.competitionNumber + QLatin1Char(' ') + h.competitionName +
                          QLatin1Char(' ') + h.competitionDate};
    if (check.deadline.isValid())
        lines << QStringLiteral("Termine per le iscrizioni: ") +
                     check.deadline.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
    if (!check.invitation)
        lines << QStringLiteral("La manifestazione non viene da un invito LENEX: non ci sono tempi limite ne' quote "
                                "da verificare.");
    lines << QString();
    if (cells)
        lines << QStringLiteral("Atleta\tCodice\tAnno\tCategoria\tSesso\tGara\tTempo\tTempo limite\tProblemi");
    QString athlete;
    for (const lenex::CheckedEntry& e : check.entries) {
        const QString year = e.year > 0 ? QString::number(e.year) : QStringLiteral("?");
        const QString problems = e.problems.join(QStringLiteral("; "));
        if (cells) {
            lines << QStringList{e.name,     e.code,  year, e.category, e.sex, e.race, shownTime(e.time),
                                 e.standard, problems}
                         .join(QLatin1Char('\t'));
            continue;
        }
        if (e.code != athlete) {
            athlete = e.code;
            lines << e.name + QStringLiteral(" (") + e.code + QStringLiteral(") ") + year + QLatin1Char(' ') +
                         e.category + QLatin1Char(' ') + e.sex;
        }
        lines << wrapped(QStringLiteral("   ") + e.race.leftJustified(12) + shownTime(e.time).leftJustified(10),
                         e.standard);
        if (!problems.isEmpty())
            lines << wrapped(QString(25, QLatin1Char(' ')), QStringLiteral("Problemi: ") + problems);
    }
    lines << QString() << QStringLiteral("Conto della societa'");
    const auto billLine = [&](const QString& what, const QString& count, const QString& unit, const QString& total) {
        lines << (cells ? QStringList{what, count, unit, total}.join(QLatin1Char('\t'))
                        : what.leftJustified(50) + count.rightJustified(8) + unit.rightJustified(12) +
                              total.rightJustified(14));
    };
    billLine(QStringLiteral("Voce"), QStringLiteral("Numero"), QStringLiteral("Importo"), QStringLiteral("Totale"));
    for (const lenex::BillLine& b : check.bill)
        billLine(b.what, QString::number(b.count), lenex::money(b.unit), lenex::money(b.total));
    if (check.bill.isEmpty())
        lines << QStringLiteral("L'invito non indica quote per queste iscrizioni.");
    billLine(QStringLiteral("Totale"), {}, {}, lenex::money(check.total, check.currency));
    return lines.join(kLineEnd);
}

} // namespace onda
