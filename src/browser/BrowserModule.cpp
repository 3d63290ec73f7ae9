#include "browser/BrowserPage.h"

// Loaded by the program when the browser is first needed.
extern "C" Q_DECL_EXPORT onda::BrowserParts onda_make_browser(onda::AppState& state) {
    return onda::makeBrowserWindow(state);
}
