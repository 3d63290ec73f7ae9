#include "reports/CheckCommands.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/Operation.h"
#include "core/SavePath.h"
#include "core/WindowHost.h"
#include "reports/CheckReport.h"
#include "reports/PreviewWindow.h"
#include "reports/ReportCommands.h"
#include "ui/BusyCursor.h"

#include <optional>

namespace onda {

namespace {

// The report's text; nothing when there is no competition or the database failed (both said).
std::optional<QString> checkText(AppState& state, ReportForm form) {
    const QString number = state.currentCompetition();
    if (number.isEmpty()) {
        state.dialogs.message(QStringLiteral("Selezionare la manifestazione"));
        return std::nullopt;
    }
    lenex::EntriesCheck check;
    Status status;
    const QString path = state.databasePath;
    const QString club = state.club;
    {
        const BusyCursor busy;
        waitFor([&] { status = lenex::checkEntries(path, number, club, check); });
    }
    if (!status) {
        state.dialogs.message(QStringLiteral("Errore nel database: ") + status.description, Dialogs::Icon::Critical);
        return std::nullopt;
    }
    const Competition& c = state.competition();
    return buildCheckReport(form, check, {state.club, c.number, c.name, c.date});
}

// The registration window stays where it is: the preview opens over it.
PreviewWindow* previewWith(AppState& state) {
    if (!state.windows)
        return nullptr;
    const std::optional<QString> text = checkText(state, ReportForm::Printed);
    auto* preview = qobject_cast<PreviewWindow*>(state.windows->child(Child::Preview));
    if (!text || !preview)
        return nullptr;
    preview->setReportText(*text);
    return preview;
}

void saveCheck(AppState& state, ReportForm form, const QString& filter, const QString& proposed) {
    const Operation operation;
    if (!operation)
        return;
    const std::optional<QString> text = checkText(state, form);
    if (!text)
        return;
    const QString path = chooseSavePath(state, filter, proposed);
    if (path.isEmpty())
        return;
    writeReportOrSay(state, path, *text);
}

} // namespace

void showCheckPreview(AppState& state) {
    const Operation operation;
    if (!operation)
        return;
    PreviewWindow* preview = previewWith(state);
    if (!preview)
        return;
    showWidePreview(state, preview);
}

void printCheck(AppState& state) {
    const Operation operation;
    if (!operation)
        return;
    PreviewWindow* preview = previewWith(state);
    if (preview)
        printPreview(state, preview);
}

void saveCheckAsSpreadsheet(AppState& state) {
    saveCheck(state, ReportForm::Spreadsheet, QStringLiteral("Excel files (*.xls)|*.xls|All Files (*.*)|*.*"),
              QStringLiteral("verifica.xls"));
}

void saveCheckAsText(AppState& state) {
    saveCheck(state, ReportForm::TextFile, QStringLiteral("Text files (*.txt)|*.txt|All Files (*.*)|*.*"),
              QStringLiteral("verifica.txt"));
}

} // namespace onda
