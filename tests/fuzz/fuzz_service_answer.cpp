// Any bytes through the screening and cutting of answers.
#include "service/BodyText.h"
#include "service/ServiceAnswer.h"

#include <cstddef>
#include <cstdint>

using namespace onda;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    // As the client decodes it, and one character per byte so that every cut position is reached.
    for (const QString& answer : {bodyText(bytes), QString::fromLatin1(bytes)}) {
        screenAnswer(answer);
        for (int marker = 0; marker <= int(PayloadMarker::Nota); ++marker)
            splitRecords(cutPayload(answer, PayloadMarker(marker)).value_or(answer), PayloadMarker(marker));
        parseCompetitionList(answer), parseCompetitionDetails(answer), parseCategories(answer), parseRaces(answer);
        parseRegistrations(answer), parseNote(answer), parseImportStatus(answer), parseLoginAnswer(answer);
    }
    return 0;
}
