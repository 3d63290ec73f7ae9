#include "athletes/AthleteCodes.h"

#include "store/Database.h"

namespace onda {

qlonglong firstFreeProvisionalCode(Database& db) {
    Database::Result taken;
    // Only the codes from the first provisional one, in order: the first gap is the answer.
    // Unreadable, the register has no code taken: the save that follows reports the failure.
    (void)db.query(QStringLiteral("select distinct codatl from natl where codatl >= ? order by codatl"), taken,
                   {kFirstProvisionalCode});
    qlonglong code = kFirstProvisionalCode;
    for (const QVariantList& row : taken.rows) {
        const qlonglong held = row.value(0).toLongLong();
        if (held > code)
            break;
        if (held == code)
            ++code;
    }
    return code;
}

} // namespace onda
