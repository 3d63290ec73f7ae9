#include "service/BodyText.h"

#include "core/TextCodec.h"

namespace onda {

QString bodyText(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        const QByteArrayView line(bytes.constData() + start, end - start);
        // Each line alone: one byte of another encoding changes no name on the lines around it.
        if (line.isValidUtf8())
            text += QString::fromUtf8(line);
        else
            text += decodeWindows1252(line.toByteArray());
        start = end;
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

} // namespace onda
