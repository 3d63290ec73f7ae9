#pragma once

#include <QByteArray>
#include <QString>

namespace onda {

// The text of a response body. The service's pages send Windows-1252; newer ones may send
// UTF-8. Bytes that are valid UTF-8 are read as UTF-8, anything else as Windows-1252, so
// every byte becomes one character and no answer is refused for its encoding.
QString bodyText(const QByteArray& bytes);

} // namespace onda
