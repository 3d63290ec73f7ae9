#pragma once

#include "core/WindowHost.h"

#include <QString>

class QWidget;

namespace onda {

class AppState;

// What the main window asks of the browser window, which comes from a module loaded on
// first use: linked into the program, the web engine would cost every start.
class BrowserPage {
public:
    virtual ~BrowserPage() = default;
    // The address into the address box, then the button that opens it.
    virtual void openAddress(const QString& address) = 0;
};

// One new browser window seen as the widget, the child and the page it is.
struct BrowserParts {
    QWidget* widget = nullptr;
    ChildWindow* child = nullptr;
    BrowserPage* page = nullptr;
};

using BrowserFactory = BrowserParts (*)(AppState& state);

// The module's entry point, looked up by this name.
inline constexpr char kBrowserFactorySymbol[] = "onda_make_browser";

// A new browser window; the module's entry point calls it, a program linking the browser in may too.
BrowserParts makeBrowserWindow(AppState& state);

} // namespace onda
