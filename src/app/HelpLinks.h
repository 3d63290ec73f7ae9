#pragma once

#include "browser/BrowserAddress.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace onda {

// Addresses of the Help menu; every blank becomes "%20".
// The local help page beside the program: "file://" + its directory + "/istruzioni.htm".
QString instructionsAddress(const QString& executableDirectory);
// The directory of the help page: the first candidate holding "istruzioni.htm", else fallback.
QString helpPageDirectory(const QStringList& candidates, const QString& fallback,
                          const std::function<bool(const QString&)>& fileExists);
// Said instead of opening the help page when its file `page` is missing.
QString helpPageMissing(const QString& page);
QString programHomeAddress(const QString& baseAddress);
QString serviceHomeAddress(const QString& baseAddress);

} // namespace onda
