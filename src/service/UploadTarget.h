#pragma once

#include <QString>

namespace onda {

// Where the transfer file goes: the FTP host is the base address without "http://" and without
// any "/" (a path is glued to the host name); the account depends on whether the address is
// the service's own.
struct UploadTarget {
    QString host;
    QString userName;
    QString password;
};

UploadTarget uploadTargetFor(const QString& baseAddress);

inline const QString kUploadFolder = QStringLiteral("db/temp");
inline const QString kUploadName = QStringLiteral("transfer.mdb");

} // namespace onda
