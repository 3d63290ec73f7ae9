#pragma once

class QString;

namespace onda {

class AppState;
class PreviewWindow;

// The File menu's report commands over the club's registrations of the open competition.
// "Anteprima di stampa": the report in the preview window.
void showPrintPreview(AppState& state);
// A preview shown as wide as its page's 100 columns.
void showWidePreview(AppState& state, PreviewWindow* preview);
// A report's text written to `path`; false, after saying why, when it cannot be.
bool writeReportOrSay(AppState& state, const QString& path, const QString& text);
// The preview's text on the printer the user chooses.
void printPreview(AppState& state, PreviewWindow* preview);
// "Stampa iscrizioni": the report on the printer the user chooses.
void printRegistrations(AppState& state);
// "Come File Excel": the registrations as a tab-separated file.
void saveRegistrationsAsSpreadsheet(AppState& state);
// "Come file di testo (QVASCA)": the registrations in the timing software's fixed columns.
void saveRegistrationsAsText(AppState& state);

} // namespace onda
