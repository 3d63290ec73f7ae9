#include "service/BodyText.h"

#include <QStringDecoder>

namespace onda {

QString bodyText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;

    QStringDecoder windows1252("windows-1252");
    if (windows1252.isValid()) {
        text = windows1252.decode(bytes);
        if (!windows1252.hasError())
            return text;
    }
    // Without a Windows-1252 codec (or for its five unassigned bytes) Latin-1 still keeps
    // one character per byte, which the cutting positions rely on.
    return QString::fromLatin1(bytes);
}

} // namespace onda
