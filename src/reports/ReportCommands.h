#pragma once

#include "core/FlowResult.h"
#include "reports/ReportText.h"

#include <optional>

namespace onda {

class AppState;
class Dialogs;

// The File menu's reports over the club's registrations of the open competition: the
// registrations' list and "Verifica iscrizioni" (the entries checked against the invitation,
// with the bill). The texts are handed back for the preview; the files are written here.
class ReportCommands {
public:
    ReportCommands(AppState& state, Dialogs& dialogs) : m_state(state), m_dialogs(dialogs) {}

    // The registrations' report; nothing when no competition is open (the user was told).
    std::optional<QString> registrations(ReportForm form);
    // The check report; nothing when no competition is open or the database failed (both said).
    std::optional<QString> check(ReportForm form);
    // "Come File Excel" and "Come file di testo (QVASCA)": the registrations' report written
    // where the user chooses; the file's path when written.
    FlowResult saveRegistrations(ReportForm form);
    // "Verifica iscrizioni" "Come File Excel" and "Come file di testo".
    FlowResult saveCheck(ReportForm form);

private:
    // Of whatever competition is open, none included: the saved files never asked for one.
    QString registrationsText(ReportForm form);
    // The report's text written to `path`; the user is told when it cannot be.
    FlowResult write(const QString& path, const QString& text);

    AppState& m_state;
    Dialogs& m_dialogs;
};

} // namespace onda
