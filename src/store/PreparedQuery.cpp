#include "store/PreparedQuery.h"

#include "store/Database.h"
#include "store/SqlDialect.h"
#include "store/SqliteSupport.h"

namespace onda {

struct PreparedQuery::Impl {
    QString statement;
    sqlite3* on = nullptr;
    detail::Statement prepared;
    QList<detail::ReadAs> readAs;
};

PreparedQuery::PreparedQuery(const QString& statement) : d(std::make_unique<Impl>()) {
    d->statement = statement;
}

PreparedQuery::~PreparedQuery() = default;

void PreparedQuery::release() {
    d->prepared = {};
    d->on = nullptr;
}

Status PreparedQuery::run(Database& db, const QVariantList& parameters, QList<QVariantList>& rows) {
    rows.clear();
    if (!db.isOpen())
        return Status::of(err::CannotOpen, QStringLiteral("database not open"));
    if (d->prepared.isNull() || d->on != db.handle()) {
        release();
        if (Status s = d->prepared.prepare(db.handle(), translateStatement(d->statement).sql); !s)
            return s;
        if (d->prepared.isNull())
            return {};
        d->on = db.handle();
        sqlite3_stmt* raw = d->prepared.get();
        d->readAs.clear();
        for (int c = 0; c < sqlite3_column_count(raw); ++c) {
            const char* declared = sqlite3_column_decltype(raw, c);
            d->readAs << detail::readAsFor(fieldInfoFromDeclaration(QString::fromUtf8(sqlite3_column_name(raw, c)),
                                                                    QString::fromUtf8(declared ? declared : ""), false)
                                               .type);
        }
    }
    d->prepared.bindAll(parameters);
    sqlite3_stmt* raw = d->prepared.get();
    int rc;
    while ((rc = d->prepared.step()) == SQLITE_ROW) {
        QVariantList row;
        row.reserve(d->readAs.size());
        for (int c = 0; c < d->readAs.size(); ++c)
            row << detail::columnValue(raw, c, d->readAs[c]);
        rows << row;
    }
    const Status status = rc == SQLITE_DONE ? Status{} : detail::statusFrom(db.handle(), rc);
    // Reset, the statement holds no lock between runs.
    d->prepared.reset();
    if (!status)
        rows.clear();
    return status;
}

} // namespace onda
