#pragma once

#include "lenex/LenexModel.h"

#include <QByteArray>
#include <QString>

namespace onda::lenex {

// The document as LENEX 3.0 XML in UTF-8.
QByteArray writeXml(const Document& document);

// The document as a .lxf archive holding one .lef named after the archive. The file is written
// whole or not at all; an empty text on success, else the message for the user.
QString writeArchive(const Document& document, const QString& path);

} // namespace onda::lenex
