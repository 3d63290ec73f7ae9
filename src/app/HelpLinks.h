#pragma once

#include <QString>

namespace onda {

// Addresses of the Help menu; every blank becomes "%20".
QString withEncodedBlanks(const QString& address);
// The local help page beside the program: "file://" + its directory + "/istruzioni.htm".
QString instructionsAddress(const QString& executableDirectory);
QString programHomeAddress(const QString& baseAddress);
QString serviceHomeAddress(const QString& baseAddress);

} // namespace onda
