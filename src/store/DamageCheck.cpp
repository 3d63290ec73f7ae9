#include "store/DamageCheck.h"

#include <QThread>

#include <sqlite3.h>

namespace onda {

namespace {

QByteArray sqliteFileName(const QString& path, const ConnectionOptions& options) {
    Database db;
    if (!db.open(path, false, options))
        return {};
    return QByteArray(sqlite3_db_filename(db.handle(), "main"));
}

} // namespace

Status checkForDamage(Database& db) {
    Database::Result check;
    if (Status s = db.query(QStringLiteral("PRAGMA quick_check"), check); !s)
        return s;
    if (check.rows.value(0).value(0).toString() == QLatin1String("ok"))
        return {};
    QStringList problems;
    for (const QVariantList& row : std::as_const(check.rows))
        problems << row.value(0).toString();
    return Status::error(err::Damaged, problems.join(QLatin1Char('\n')));
}

DamageCheck::DamageCheck(const QString& path, const ConnectionOptions& options, QObject* parent) : QObject(parent) {
    auto promise = std::make_shared<std::promise<Status>>();
    m_verdict = promise->get_future().share();
    m_file = sqliteFileName(path, options);
    if (!m_file.isEmpty())
        detail::holdWrites(m_file, m_verdict);
    m_thread = QThread::create([promise, path, options] {
        Database db;
        Status status = db.open(path, false, options);
        if (status)
            status = checkForDamage(db);
        promise->set_value(status);
    });
    connect(m_thread, &QThread::finished, this, [this] { emit finished(verdict()); });
    m_thread->start(QThread::LowPriority);
}

DamageCheck::~DamageCheck() {
    m_thread->wait();
    delete m_thread;
    if (!m_file.isEmpty())
        detail::holdWrites(m_file, {});
}

Status DamageCheck::verdict() const {
    const Status status = m_verdict.get();
    return status.number == err::Damaged || status.number == err::NotADatabase ? status : Status{};
}

} // namespace onda
