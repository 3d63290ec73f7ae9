// Any bytes as a LENEX file: the XML itself, or a ZIP archive when they begin like one.
#include "lenex/LenexReader.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

using namespace onda::lenex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    Document document;
    if (bytes.startsWith("PK")) {
        const QString path = dir.filePath(QStringLiteral("input.lxf"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(bytes);
            file.close();
            readFile(path, document);
        }
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        readXml(buffer, QStringLiteral("input.lef"), document);
    }
    for (const Meet& meet : document.meets) {
        for (const Club& club : meet.clubs) {
            for (const Athlete& athlete : club.athletes) {
                for (const Result& result : athlete.results)
                    meet.event(result.eventId);
            }
        }
    }
    return 0;
}
