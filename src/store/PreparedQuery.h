#pragma once

#include "store/Status.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

namespace onda {

class Database;

// A query prepared once and run again with other values, for lookups repeated as fast as a
// user moves through rows. It is prepared on the connection of the first run and again on
// another one; release() it before the connection it ran on is closed.
class PreparedQuery {
public:
    explicit PreparedQuery(const QString& statement);
    ~PreparedQuery();
    PreparedQuery(const PreparedQuery&) = delete;
    PreparedQuery& operator=(const PreparedQuery&) = delete;

    // The rows, each value as Database::query reads it.
    Status run(Database& db, const QVariantList& parameters, QList<QVariantList>& rows);
    void release();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace onda
