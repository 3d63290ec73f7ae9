#pragma once

#include <QString>

namespace onda {

class AppState;

enum class ExportOutcome {
    Written,   // the file at the path is the new one
    Kept,      // the user cancelled the deletion warning: the previous file stays and is used
    Cancelled, // save dialog cancelled, empty name, or No to the overwrite question
    Failed,    // the copy failed and was reported; the previous file, if any, is untouched
};

// Writes the transfer database of the open competition for a club: its registrations and the
// competition's row. mode "SERVER" or "MAPI": the fixed file in the program's folder, folder and
// file set and mode replaced by the full path; any other mode: the user picks the file.
// The file is written under a temporary name and moved into place only when complete.
ExportOutcome ExportTransferDatabase(AppState& state, const QString& club, QString& mode, QString& folder,
                                     QString& file);

// "Come file Access": the registrations saved where the user wants.
void SaveTransferDatabase(AppState& state);

} // namespace onda
