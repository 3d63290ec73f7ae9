#include "reports/ReportCommands.h"

#include "core/AppState.h"
#include "core/Dialogs.h"
#include "core/Twips.h"
#include "core/WindowHost.h"
#include "entry/RegistrationWindow.h"
#include "reports/PreviewWindow.h"
#include "reports/ReportText.h"
#include "ui/BusyCursor.h"
#include "ui/Unload.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QPrinter>

namespace onda {

namespace {

ReportHeading headingOf(const AppState& state) {
    const Competition& c = state.competition();
    return {state.club, c.number, c.name, c.date};
}

// The registration view the selection replaces the rows of.
DataSource* registrationView(AppState& state) {
    auto* window = qobject_cast<RegistrationWindow*>(state.windows->child(Child::Registration));
    return window ? &window->registrations() : nullptr;
}

bool competitionChosen(AppState& state) {
    if (!state.currentCompetition().isEmpty())
        return true;
    state.dialogs.message(QStringLiteral("Selezionare la manifestazione"));
    return false;
}

// Hides the registration window, checks the competition and builds the report into the
// preview window; null when there is nothing to show it in.
PreviewWindow* buildPreview(AppState& state) {
    if (!state.windows)
        return nullptr;
    state.windows->hideChild(state.windows->child(Child::Registration));
    if (!competitionChosen(state))
        return nullptr;
    auto* preview = qobject_cast<PreviewWindow*>(state.windows->child(Child::Preview));
    DataSource* view = registrationView(state);
    if (!preview || !view)
        return nullptr;
    preview->setReportText({});
    BusyCursor busy;
    preview->setReportText(
        buildReport(ReportForm::Printed, *view, headingOf(state), [] { QCoreApplication::processEvents(); }));
    return preview;
}

// The save dialog and the overwrite question; empty when the user gave up.
QString chooseFile(AppState& state, const QString& filter, const QString& proposed) {
    const QString path = state.dialogs.saveFileName(QStringLiteral("Save"), filter, proposed);
    if (path.isEmpty())
        return {};
    if (QFileInfo::exists(path) &&
        state.dialogs.askYesNo(QStringLiteral("Il file ") + path + QStringLiteral(" esiste. Vuoi sovrascriverlo ?"),
                               Dialogs::Answer::Yes) != Dialogs::Answer::Yes)
        return {};
    return path;
}

bool saveReport(AppState& state, ReportForm form, const QString& path) {
    DataSource* view = state.windows ? registrationView(state) : nullptr;
    if (!view)
        return false;
    BusyCursor busy;
    const QString content = buildReport(form, *view, headingOf(state));
    if (const Status written = writeReportFile(path, content); !written) {
        state.dialogs.message(QStringLiteral("Impossibile scrivere il file ") + path + QStringLiteral(": ") +
                                  written.description,
                              Dialogs::Icon::Critical);
        return false;
    }
    return true;
}

} // namespace

void showPrintPreview(AppState& state) {
    PreviewWindow* preview = buildPreview(state);
    if (!preview)
        return;
    state.windows->showChild(preview);
    if (auto* frame = qobject_cast<QMdiSubWindow*>(preview->parentWidget())) {
        const int frameWidth = frame->width() - preview->width();
        frame->resize(twipsToPixels(9700) + frameWidth, frame->height());
    }
}

void printRegistrations(AppState& state) {
    PreviewWindow* preview = buildPreview(state);
    if (!preview || preview->reportText().isEmpty()) // no registrations: nothing to print
        return;
    QPrinter printer(QPrinter::HighResolution);
    if (!state.dialogs.choosePrinter(printer))
        return;
    BusyCursor busy;
    preview->print(printer);
}

void saveRegistrationsAsSpreadsheet(AppState& state) {
    const QString path =
        chooseFile(state, QStringLiteral("Excel files (*.xls)|*.xls|All Files (*.*)|*.*"), QStringLiteral("*.xls"));
    if (!path.isEmpty())
        saveReport(state, ReportForm::Spreadsheet, path);
}

void saveRegistrationsAsText(AppState& state) {
    const QString path = chooseFile(state, QStringLiteral("Text files (*.txt)|*.txt|All Files (*.*)|*.*"), QString());
    if (path.isEmpty() || !saveReport(state, ReportForm::TextFile, path))
        return;
    if (auto* host = dynamic_cast<QWidget*>(state.windows)) {
        if (auto* preview = host->findChild<PreviewWindow*>())
            unloadChild(preview);
    }
}

} // namespace onda
