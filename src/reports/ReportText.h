#pragma once

#include "store/Status.h"

#include <QString>
#include <QVariant>

#include <functional>

namespace onda {

class DataSource;

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

// Selects the club's registrations into `view` (the registration view) and builds the
// whole text of one form. An empty selection gives an empty text; a failed one the heading and
// closing lines without records.
QString buildReport(ReportForm form, DataSource& view, const ReportHeading& heading);

// Writes `content` and one line end to `path` in Windows-1252 (a character outside it
// becomes "?"), the file whole or not at all; an existing file is replaced.
Status writeReportFile(const QString& path, const QString& content);

} // namespace onda
