#include "reports/ReportText.h"

#include "core/Formats.h"
#include "core/TextCodec.h"
#include "entry/RegistrationSelection.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/Values.h"

#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace onda {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");
const QString kNullMark = QStringLiteral("*****");
const QString kProgramTitle = QStringLiteral("ONDA_Link");

bool breaksColumns(QChar c) {
    return c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// A stored value as one cell of a line: a TAB or a line end inside it would break the
// columns, so it becomes a blank. Text without one is shared, not copied.
QString cell(const QVariant& value) {
    QString text = displayText(value);
    if (std::none_of(text.cbegin(), text.cend(), breaksColumns))
        return text;
    for (QChar& c : text) {
        if (breaksColumns(c))
            c = QLatin1Char(' ');
    }
    return text;
}

// numericValue(cell(value)) without building the texts: a double's cell is its 15
// significant digits, read back up to an exponent as numericValue reads it.
double cellNumber(const QVariant& value) {
    if (value.typeId() != QMetaType::Double)
        return numericValue(cell(value));
    const double number = value.toDouble();
    char digits[32];
    // A double whose shortest digits are at most 15, written without an exponent, reads back
    // as itself: its 15 digits are those shortest ones.
    const double size = std::abs(number);
    if (number == 0 || (size >= 1e-4 && size < 1e15)) {
        const auto shortest =
            std::to_chars(std::begin(digits), std::end(digits), number, std::chars_format::scientific);
        char* mantissaEnd = std::find(digits, shortest.ptr, 'e');
        const auto significant = std::count_if(digits, mantissaEnd, [](char c) { return c >= '0' && c <= '9'; });
        if (shortest.ec == std::errc() && significant <= 15)
            return number;
    }
    const auto written = std::to_chars(std::begin(digits), std::end(digits), number, std::chars_format::general, 15);
    if (written.ec != std::errc())
        return numericValue(cell(value));
    char* end = std::find(digits, written.ptr, 'e');
    const bool anyDigit = std::any_of(digits, end, [](char c) { return c >= '0' && c <= '9'; });
    double read = 0.0;
    if (!anyDigit || std::from_chars(digits, end, read).ec != std::errc())
        return 0.0;
    return read;
}

QString orNullMark(const QVariant& value) {
    return value.isNull() ? kNullMark : cell(value);
}

// A number with the blank that stands for its sign, as " 1985".
QString signedNumber(const QVariant& value) {
    if (value.isNull())
        return {};
    return QLatin1Char(' ') + cell(value).trimmed();
}

// Minutes and seconds as numbers; a missing minute counts as no time given.
bool entryTime(const QVariant& minutes, const QVariant& seconds, double& m, double& s) {
    if (minutes.isNull())
        return false;
    m = cellNumber(minutes);
    s = seconds.isNull() ? 0.0 : cellNumber(seconds);
    return true;
}

// `value` written over `line` from the 1-based `column`, cut to `width`.
void place(QChar* line, int column, int width, QStringView value) {
    std::copy_n(value.data(), std::min<qsizetype>(width, value.size()), line + column - 1);
}

// `width` blanks added to `out`, for a fixed-column line to be placed into.
QChar* blankLine(QString& out, int width) {
    const qsizetype start = out.size();
    out.resize(start + width, QLatin1Char(' '));
    return out.data() + start;
}

// The two columns of the year of birth in the text file: 1985 as 85, 2005 as 05.
QString shortYear(const QVariant& anno) {
    if (anno.isNull())
        return {};
    const auto year = static_cast<qlonglong>(cellNumber(anno));
    return formatNumber(double(((year % 100) + 100) % 100), u"00");
}

QString heading(ReportForm form, const ReportHeading& h) {
    const QString tab = form == ReportForm::Spreadsheet ? QStringLiteral("\t") : QString();
    switch (form) {
    case ReportForm::Printed:
        return kLineEnd + QStringLiteral("Stampa iscrizioni per società: ") + h.club + kLineEnd +
               QString(80, QLatin1Char('-')) + kLineEnd.repeated(3) + QStringLiteral("Prova numero ") +
               h.competitionNumber + kLineEnd + QStringLiteral("Manifestazione: ") + h.competitionName + kLineEnd +
               QStringLiteral("Data: ") + h.competitionDate + kLineEnd.repeated(2);
    case ReportForm::Spreadsheet:
        return kLineEnd + QStringLiteral("Stampa iscrizioni per società: ") + tab + h.club + kLineEnd +
               QStringLiteral("Prova numero ") + tab + h.competitionNumber + kLineEnd +
               QStringLiteral("Manifestazione: ") + tab + h.competitionName + kLineEnd + QStringLiteral("Data: ") +
               tab + h.competitionDate + kLineEnd.repeated(2);
    case ReportForm::TextFile:
        return h.club + kLineEnd + QLatin1Char('\t') + h.competitionName + QLatin1Char(' ') + h.competitionDate +
               kLineEnd;
    }
    return {};
}

QString closing(ReportForm form) {
    if (form == ReportForm::TextFile)
        return {};
    return kLineEnd.repeated(3) + kProgramTitle + kLineEnd.repeated(2);
}

} // namespace

QString printedTime(const QVariant& minutes, const QVariant& seconds) {
    double m = 0;
    double s = 0;
    if (!entryTime(minutes, seconds, m, s) || m > 80)
        return QStringLiteral("S.T.");
    return formatNumber(m, u"#0") + QLatin1Char(':') + formatNumber(s, u"00.0");
}

QString textFileTime(const QVariant& minutes, const QVariant& seconds) {
    double m = 0;
    double s = 0;
    if (!entryTime(minutes, seconds, m, s) || m * 60 + s > 90 * 60)
        return QStringLiteral("00.00.0");
    QString field(7, QLatin1Char(' '));
    place(field.data(), 1, 3, formatNumber(m, u"00") + QLatin1Char('.'));
    place(field.data(), 4, 4, formatNumber(s, u"00.0"));
    return field;
}

namespace {

// One record line of `form` added to `out`, without its line end.
void appendRecordLine(QString& out, ReportForm form, int number, const ReportRecord& r) {
    switch (form) {
    case ReportForm::Printed: {
        QChar* line = blankLine(out, 100);
        place(line, 1, 4, QLatin1Char(' ') + QString::number(number));
        place(line, 6, 10, orNullMark(r.codatl));
        place(line, 17, 25, cell(r.nome));
        place(line, 44, 5, signedNumber(r.anno));
        place(line, 50, 9, cell(r.spec));
        place(line, 61, 16, orNullMark(r.cat));
        place(line, 79, 2, cell(r.sesso));
        place(line, 83, 2, cell(r.status));
        place(line, 85, 10, printedTime(r.m, r.s));
        return;
    }
    case ReportForm::Spreadsheet: {
        const QString values[] = {QLatin1Char(' ') + QString::number(number),
                                  orNullMark(r.codatl),
                                  cell(r.nome),
                                  signedNumber(r.anno),
                                  cell(r.spec),
                                  orNullMark(r.cat),
                                  cell(r.sesso),
                                  cell(r.status),
                                  printedTime(r.m, r.s)};
        for (const QString& value : values) {
            out += value;
            out += QLatin1Char('\t');
        }
        return;
    }
    case ReportForm::TextFile: {
        QChar* line = blankLine(out, 77);
        place(line, 1, 9, orNullMark(r.codatl));
        place(line, 11, 30, cell(r.nome));
        place(line, 42, 2, shortYear(r.anno));
        place(line, 45, 12, orNullMark(r.cat));
        place(line, 59, 1, cell(r.sesso));
        place(line, 61, 8, cell(r.spec));
        place(line, 69, 7, textFileTime(r.m, r.s));
        return;
    }
    }
}

} // namespace

QString recordLine(ReportForm form, int number, const ReportRecord& record) {
    QString line;
    appendRecordLine(line, form, number, record);
    return line;
}

namespace {

// A stored value as it is: a whole number, a real, a text, bytes or nothing.
QVariant storedValue(const Database::Row& row, int column) {
    if (column < 0 || row.isNull(column))
        return {};
    switch (row.type(column)) {
    case Database::Row::Type::Integer:
        return row.integer(column);
    case Database::Row::Type::Real:
        return row.real(column);
    case Database::Row::Type::Blob:
        return row.bytes(column).toByteArray();
    default:
        return row.text(column);
    }
}

} // namespace

Status readReportRecords(const QString& databasePath, const QString& competition, const QString& club,
                         QList<ReportRecord>& out) {
    out.clear();
    const QString table = registrationTable(competition);
    Database db;
    QList<FieldInfo> fields;
    Status status = db.openShared(databasePath);
    if (status)
        status = db.tableFields(table, fields);
    if (!status)
        return status.number == err::TableNotFound ? Status::success() : status;
    // Only the fields the reports show are read, streamed into the records; one the table
    // lacks stays null.
    static const char* const shown[] = {"codatl", "nome", "anno", "spec", "cat", "sesso", "status", "m", "s"};
    int column[std::size(shown)];
    QStringList read;
    for (std::size_t i = 0; i < std::size(shown); ++i) {
        column[i] = -1;
        for (const FieldInfo& field : std::as_const(fields)) {
            if (field.name.compare(QLatin1String(shown[i]), Qt::CaseInsensitive) == 0) {
                column[i] = int(read.size());
                read << QLatin1Char('[') + field.name + QLatin1Char(']');
                break;
            }
        }
    }
    if (read.isEmpty())
        read << QStringLiteral("1");
    const BoundStatement selection =
        registrationSelection(competition, SelectionKey::Club, club, read.join(QLatin1Char(',')));
    status = db.read(selection.text, selection.values, [&](const Database::Row& row) {
        const auto value = [&](int i) { return storedValue(row, column[i]); };
        out << ReportRecord{value(0), value(1), value(2), value(3), value(4), value(5), value(6), value(7), value(8)};
    });
    if (!status) {
        out.clear();
        return status.number == err::FieldNotFound ? Status::success() : status;
    }
    return Status::success();
}

QString buildReport(ReportForm form, const std::optional<QList<ReportRecord>>& records, const ReportHeading& h) {
    if (records && records->isEmpty())
        return {};
    QString text = heading(form, h);
    if (records) {
        text.reserve(text.size() + records->size() * 110);
        int number = 0;
        for (const ReportRecord& record : *records) {
            // The printed list puts the line end before each record, the files after it.
            if (form == ReportForm::Printed)
                text += kLineEnd;
            appendRecordLine(text, form, ++number, record);
            if (form != ReportForm::Printed)
                text += kLineEnd;
        }
    }
    return text + closing(form);
}

QString buildReport(ReportForm form, const QString& databasePath, const ReportHeading& h) {
    QList<ReportRecord> records;
    const Status read = readReportRecords(databasePath, h.competitionNumber, h.club, records);
    return buildReport(form, read ? std::optional(std::move(records)) : std::nullopt, h);
}

Status writeReportFile(const QString& path, const QString& content) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Status::of(err::CannotOpen, file.errorString());
    QByteArray bytes = encodeWindows1252(content);
    bytes += "\r\n";
    if (file.write(bytes) != bytes.size() || !file.commit())
        return Status::of(err::DiskError, file.errorString());
    return Status::success();
}

} // namespace onda
