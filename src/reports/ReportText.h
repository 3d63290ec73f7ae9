#pragma once

#include "store/Status.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

namespace onda {

// The three layouts the club's registrations are given out in.
enum class ReportForm {
    Printed,     // preview and printer: fixed columns of 100 characters
    Spreadsheet, // the same values separated by TAB
    TextFile,    // the timing software's fixed columns of 77 characters
};

// What the report says about the competition and the club.
struct ReportHeading {
    QString club;
    QString competitionNumber;
    QString competitionName;
    QString competitionDate;
};

// The fields of one registration the reports read, as stored (null stays null).
struct ReportRecord {
    QVariant codatl;
    QVariant nome;
    QVariant anno;
    QVariant spec;
    QVariant cat;
    QVariant sesso;
    QVariant status;
    QVariant m;
    QVariant s;
};

// Entry time as the printed list and the spreadsheet show it: "S.T." or 1:05.3.
QString printedTime(const QVariant& minutes, const QVariant& seconds);
// Entry time in the text file's seven columns: "00.00.0" or 01.05.3.
QString textFileTime(const QVariant& minutes, const QVariant& seconds);

// One record line of each form, without its line end (`number` counts from 1).
QString recordLine(ReportForm form, int number, const ReportRecord& record);

// The club's registrations of a competition as the reports list them, by club and name (every
// club's for "Tutte le societa'"). A missing table or field reads as none; any other failure is
// returned.
Status readReportRecords(const QString& databasePath, const QString& competition, const QString& club,
                         QList<ReportRecord>& out);

// The whole text of one form. No records give an empty text; records that could not be read
// (nothing) the heading and closing lines alone.
QString buildReport(ReportForm form, const std::optional<QList<ReportRecord>>& records, const ReportHeading& heading);
// The same over the club's registrations read from the database.
QString buildReport(ReportForm form, const QString& databasePath, const ReportHeading& heading);

// Writes `content` and one line end to `path` in Windows-1252 (a character outside it
// becomes "?"), the file whole or not at all; an existing file is replaced.
Status writeReportFile(const QString& path, const QString& content);

} // namespace onda
