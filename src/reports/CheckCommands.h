#pragma once

namespace onda {

class AppState;

// The File menu's "Verifica iscrizioni": the club's entries of the open competition checked
// against the invitation, with the bill, in the preview, on the printer, or as a file.
void showCheckPreview(AppState& state);
void printCheck(AppState& state);
void saveCheckAsSpreadsheet(AppState& state);
void saveCheckAsText(AppState& state);

} // namespace onda
