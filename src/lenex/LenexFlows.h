#pragma once

#include "core/FlowResult.h"
#include "lenex/LenexData.h"

#include <optional>

namespace onda {

class AppState;
class Dialogs;
class WorkspaceView;

// The LENEX workflows of the File menu. Each tells the user how it went and returns it; the
// workspace is changed only through its port (the club label, the competition list).
class LenexFlows {
public:
    LenexFlows(AppState& state, Dialogs& dialogs, WorkspaceView& workspace)
        : m_state(state), m_dialogs(dialogs), m_workspace(workspace) {}

    // "Come file LENEX (.lxf)": the club's registrations of the open competition as an entries
    // file for the organiser's meet software; the file's path when written.
    FlowResult saveEntries();
    // "Dati della societa' per LENEX...": the club's name and nation written into LENEX files.
    FlowResult editClub();
    // "Importa invito LENEX...": a competition created locally from an organiser's invitation,
    // so that registrations can be entered on it off-line.
    FlowResult importInvitation();
    // "Importa risultati LENEX...": the best times of the club's athletes from results files.
    FlowResult importResults();

private:
    // Shown as an error, and the result that says it.
    FlowResult failed(const QString& message);
    // The club the imported data belong to: the program's, or asked for when none is known yet.
    QString clubForImport();
    // The competition's pool, asked once for a competition of the service; false when cancelled
    // or not kept.
    bool knownCourse(const QString& number);
    // The club as LENEX files name it; its name is asked the first time. Nothing when cancelled.
    std::optional<lenex::ClubIdentity> clubIdentity();

    AppState& m_state;
    Dialogs& m_dialogs;
    WorkspaceView& m_workspace;
};

} // namespace onda
