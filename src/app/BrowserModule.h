#pragma once

#include "browser/BrowserPage.h"

#include <QString>

namespace onda {

// The browser's factory: the one a program that links the browser in has set, otherwise the
// module's, loaded on the first call. Null, with the reason in `error`, when it cannot load.
BrowserFactory browserFactory(QString& error);
void setBrowserFactory(BrowserFactory factory);

} // namespace onda
