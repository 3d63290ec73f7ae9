#include "athletes/AthleteCodes.h"

#include "store/DataSource.h"

namespace onda {

qlonglong firstFreeProvisionalCode(DataSource& athletes) {
    qlonglong code = kFirstProvisionalCode;
    while (athletes.findFirst(QStringLiteral("codatl = ") + QString::number(code)).ok() && !athletes.noMatch())
        ++code;
    return code;
}

} // namespace onda
