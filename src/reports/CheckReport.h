#pragma once

#include "lenex/EntryChecks.h"
#include "reports/ReportText.h"

namespace onda {

// "Verifica iscrizioni": per athlete each entry with its time, the standard and the verdict, its
// category and every problem; then the club's bill. Printed and text file in columns, the
// spreadsheet one value per cell.
QString buildCheckReport(ReportForm form, const lenex::EntriesCheck& check, const ReportHeading& heading);

} // namespace onda
