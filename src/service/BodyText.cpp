#include "service/BodyText.h"

#include "core/TextCodec.h"

namespace onda {

QString lineText(QByteArrayView line) {
    return line.isValidUtf8() ? QString::fromUtf8(line) : decodeWindows1252(line.toByteArray());
}

QString bodyText(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        // Each line alone: one byte of another encoding changes no name on the lines around it.
        text += lineText(QByteArrayView(bytes.constData() + start, end - start));
        start = end;
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

} // namespace onda
