#pragma once

#include "browser/BrowserAddress.h"

#include <QString>

namespace onda {

// Addresses of the Help menu; every blank becomes "%20".
// The local help page beside the program: "file://" + its directory + "/istruzioni.htm".
QString instructionsAddress(const QString& executableDirectory);
QString programHomeAddress(const QString& baseAddress);
QString serviceHomeAddress(const QString& baseAddress);

} // namespace onda
