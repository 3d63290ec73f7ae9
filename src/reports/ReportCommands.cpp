#include "reports/ReportCommands.h"

#include "core/AppState.h"
#include "core/CompetitionChosen.h"
#include "core/Dialogs.h"
#include "core/Operation.h"
#include "core/SavePath.h"
#include "reports/CheckReport.h"
#include "ui/BusyCursor.h"

namespace onda {

namespace {

ReportHeading headingOf(const AppState& state) {
    const Competition& c = state.competition();
    return {state.club, c.number, c.name, c.date};
}

} // namespace

std::optional<QString> ReportCommands::registrations(ReportForm form) {
    if (!reportCompetitionChosen(m_state))
        return std::nullopt;
    return registrationsText(form);
}

QString ReportCommands::registrationsText(ReportForm form) {
    const BusyCursor busy;
    return buildReport(form, m_state.databasePath, headingOf(m_state));
}

std::optional<QString> ReportCommands::check(ReportForm form) {
    if (!reportCompetitionChosen(m_state))
        return std::nullopt;
    lenex::EntriesCheck check;
    Status status;
    const QString path = m_state.databasePath;
    const QString number = m_state.currentCompetition();
    const QString club = m_state.club;
    {
        const BusyCursor busy;
        waitFor([&] { status = lenex::checkEntries(path, number, club, check); });
    }
    if (!status) {
        m_dialogs.message(QStringLiteral("Errore nel database: ") + status.description, Dialogs::Icon::Critical);
        return std::nullopt;
    }
    return buildCheckReport(form, check, headingOf(m_state));
}

FlowResult ReportCommands::write(const QString& path, const QString& text) {
    if (const Status written = writeReportFile(path, text); !written) {
        const QString failure =
            QStringLiteral("Impossibile scrivere il file ") + path + QStringLiteral(": ") + written.description;
        m_dialogs.message(failure, Dialogs::Icon::Critical);
        return FlowResult::failed(failure);
    }
    return FlowResult::done(path);
}

FlowResult ReportCommands::saveRegistrations(ReportForm form) {
    const Operation operation;
    if (!operation)
        return FlowResult::cancelled();
    const bool spreadsheet = form == ReportForm::Spreadsheet;
    const QString path = chooseSavePath(m_state,
                                        spreadsheet ? QStringLiteral("Excel files (*.xls)|*.xls|All Files (*.*)|*.*")
                                                    : QStringLiteral("Text files (*.txt)|*.txt|All Files (*.*)|*.*"),
                                        spreadsheet ? QStringLiteral("*.xls") : QString());
    if (path.isEmpty())
        return FlowResult::cancelled();
    return write(path, registrationsText(form));
}

FlowResult ReportCommands::saveCheck(ReportForm form) {
    const Operation operation;
    if (!operation)
        return FlowResult::cancelled();
    const std::optional<QString> text = check(form);
    if (!text)
        return FlowResult::cancelled();
    const bool spreadsheet = form == ReportForm::Spreadsheet;
    const QString path = chooseSavePath(m_state,
                                        spreadsheet ? QStringLiteral("Excel files (*.xls)|*.xls|All Files (*.*)|*.*")
                                                    : QStringLiteral("Text files (*.txt)|*.txt|All Files (*.*)|*.*"),
                                        spreadsheet ? QStringLiteral("verifica.xls") : QStringLiteral("verifica.txt"));
    return path.isEmpty() ? FlowResult::cancelled() : write(path, *text);
}

} // namespace onda
