#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace onda {

// The text of a response body. The service's pages send Windows-1252; newer ones may send
// UTF-8. Line by line, one that is valid UTF-8 is read as UTF-8 and any other as Windows-1252,
// each of its bytes one character, so no answer is refused for its encoding.
QString bodyText(const QByteArray& bytes);
// One line of it, as bodyText reads each.
QString lineText(QByteArrayView line);

} // namespace onda
