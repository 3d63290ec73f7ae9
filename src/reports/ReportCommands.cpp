#include "reports/ReportCommands.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/Operation.h"
#include "core/SavePath.h"
#include "core/Twips.h"
#include "core/WindowHost.h"
#include "reports/PreviewWindow.h"
#include "reports/ReportText.h"
#include "store/DataSource.h"
#include "ui/BusyCursor.h"
#include "ui/Unload.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <QPrinter>

namespace onda {

namespace {

ReportHeading headingOf(const AppState& state) {
    const Competition& c = state.competition();
    return {state.club, c.number, c.name, c.date};
}

// The view the report selection fills: the reports' own, over the program's database.
struct ReportView {
    explicit ReportView(const AppState& state) : source(QStringLiteral("Iscrizioni")) {
        source.setDatabaseFile(state.databasePath);
    }
    DataSource source;
};

// The preview the report commands last built, so that saving the text file can close it.
QPointer<PreviewWindow> g_preview;

bool competitionChosen(AppState& state) {
    if (!state.currentCompetition().isEmpty())
        return true;
    state.dialogs.message(QStringLiteral("Selezionare la manifestazione"));
    return false;
}

// Checks the competition and builds the report into the preview window; null when there is
// nothing to show it in. The registration window stays where it is: the preview opens over it.
PreviewWindow* buildPreview(AppState& state) {
    if (!state.windows)
        return nullptr;
    if (!competitionChosen(state))
        return nullptr;
    auto* preview = qobject_cast<PreviewWindow*>(state.windows->child(Child::Preview));
    if (!preview)
        return nullptr;
    g_preview = preview;
    preview->setReportText({});
    const BusyCursor busy;
    ReportView view(state);
    preview->setReportText(buildReport(ReportForm::Printed, view.source, headingOf(state)));
    return preview;
}

bool saveReport(AppState& state, ReportForm form, const QString& path) {
    const BusyCursor busy;
    ReportView view(state);
    return writeReportOrSay(state, path, buildReport(form, view.source, headingOf(state)));
}

} // namespace

void showPrintPreview(AppState& state) {
    const Operation operation;
    if (!operation)
        return;
    PreviewWindow* preview = buildPreview(state);
    if (!preview)
        return;
    showWidePreview(state, preview);
}

void showWidePreview(AppState& state, PreviewWindow* preview) {
    state.windows->showChild(preview);
    if (auto* frame = qobject_cast<QMdiSubWindow*>(preview->parentWidget())) {
        const int frameWidth = frame->width() - preview->width();
        frame->resize(twipsToPixels(9700) + frameWidth, frame->height());
    }
}

void printRegistrations(AppState& state) {
    const Operation operation;
    if (!operation)
        return;
    PreviewWindow* preview = buildPreview(state);
    if (!preview || preview->reportText().isEmpty()) // no registrations: nothing to print
        return;
    printPreview(state, preview);
}

void printPreview(AppState& state, PreviewWindow* preview) {
    QPrinter printer(QPrinter::HighResolution);
    if (!state.dialogs.choosePrinter(printer))
        return;
    const BusyCursor busy;
    preview->print(printer);
}

bool writeReportOrSay(AppState& state, const QString& path, const QString& text) {
    if (const Status written = writeReportFile(path, text); !written) {
        state.dialogs.message(QStringLiteral("Impossibile scrivere il file ") + path + QStringLiteral(": ") +
                                  written.description,
                              Dialogs::Icon::Critical);
        return false;
    }
    return true;
}

void saveRegistrationsAsSpreadsheet(AppState& state) {
    const Operation operation;
    if (!operation)
        return;
    const QString path =
        chooseSavePath(state, QStringLiteral("Excel files (*.xls)|*.xls|All Files (*.*)|*.*"), QStringLiteral("*.xls"));
    if (!path.isEmpty())
        saveReport(state, ReportForm::Spreadsheet, path);
}

void saveRegistrationsAsText(AppState& state) {
    const Operation operation;
    if (!operation)
        return;
    const QString path =
        chooseSavePath(state, QStringLiteral("Text files (*.txt)|*.txt|All Files (*.*)|*.*"), QString());
    if (path.isEmpty() || !saveReport(state, ReportForm::TextFile, path))
        return;
    if (g_preview)
        unloadChild(g_preview);
}

} // namespace onda
