#include "store/DamageCheck.h"

#include <QHash>
#include <QThread>

#include <sqlite3.h>

#include <atomic>
#include <mutex>

namespace onda {

namespace {

// The checks under way or done, by SQLite's name of the file.
struct Gate {
    std::mutex lock;
    QHash<QByteArray, std::shared_future<Status>> checks;
    std::atomic<int> count{0};
};

Gate& gate() {
    static Gate g;
    return g;
}

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
    const QByteArray file = sqliteFileName(path, options);
    if (!file.isEmpty()) {
        const std::lock_guard<std::mutex> hold(gate().lock);
        gate().checks.insert(file, m_verdict);
        ++gate().count;
    }
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
}

Status DamageCheck::verdict() const {
    const Status status = m_verdict.get();
    return status.number == err::Damaged || status.number == err::NotADatabase ? status : Status{};
}

namespace detail {

bool writeAllowed(const char* file) {
    Gate& g = gate();
    if (g.count.load() == 0 || !file)
        return true;
    std::shared_future<Status> check;
    {
        const std::lock_guard<std::mutex> hold(g.lock);
        check = g.checks.value(QByteArray(file));
    }
    if (!check.valid())
        return true;
    const int number = check.get().number;
    return number != err::Damaged && number != err::NotADatabase;
}

} // namespace detail

} // namespace onda
