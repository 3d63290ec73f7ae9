#include "service/UploadTarget.h"

namespace onda {

UploadTarget uploadTargetFor(const QString& baseAddress) {
    UploadTarget target;
    target.host = baseAddress;
    target.host.replace(QLatin1String("http://"), QString());
    target.host.remove(QLatin1Char('/'));
    if (baseAddress.contains(QLatin1String("ondaweb"))) {
        target.userName = QStringLiteral("ondawebnt");
        target.password = QStringLiteral("3k8mw2vb6Jq");
    } else {
        target.userName = QStringLiteral("Administrator");
        target.password = QStringLiteral("tevra38");
    }
    return target;
}

} // namespace onda
