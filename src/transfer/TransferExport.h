#pragma once

#include "core/FlowResult.h"

#include <QString>

namespace onda {

class AppState;
class Dialogs;

enum class ExportOutcome {
    Written,   // the file at the path is the new one
    Kept,      // the user cancelled the deletion warning: the previous file stays and is used
    Cancelled, // save dialog cancelled, empty name, or No to the overwrite question
    Failed,    // the copy failed and was reported; the previous file, if any, is untouched
};

// Where the transfer file is written.
enum class TransferPlace {
    Chosen,        // where the user picks
    ProgramFolder, // transfer_<number>.mdb in the program's folder, for the service or the mail
};

struct TransferResult {
    ExportOutcome outcome = ExportOutcome::Cancelled;
    QString path;    // the file written, kept, or left as it was; empty when none was chosen
    QString message; // the failure as the user was told it
    // The file can be sent: the new one, or the previous one the user kept.
    bool usable() const { return outcome == ExportOutcome::Written || outcome == ExportOutcome::Kept; }
};

// The transfer database of the open competition for a club: its registrations and the
// competition's row. The file is written under a temporary name and moved into place only when
// complete.
class TransferExport {
public:
    TransferExport(AppState& state, Dialogs& dialogs) : m_state(state), m_dialogs(dialogs) {}

    TransferResult write(const QString& club, TransferPlace place);
    // "Come file Access": the club's registrations saved where the user wants.
    FlowResult save();

private:
    AppState& m_state;
    Dialogs& m_dialogs;
};

} // namespace onda
