#include "store/DamageCheck.h"

#include <QThread>

#include <chrono>
#include <condition_variable>
#include <mutex>

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

// When the check may begin; shared with its thread and with the writes that hurry it.
struct DamageCheck::Turn {
    std::mutex lock;
    std::condition_variable come;
    bool now = false;

    void begin() {
        {
            const std::lock_guard<std::mutex> hold(lock);
            now = true;
        }
        come.notify_all();
    }
    void await(int latestMs) {
        std::unique_lock<std::mutex> hold(lock);
        come.wait_for(hold, std::chrono::milliseconds(latestMs), [this] { return now; });
    }
};

DamageCheck::DamageCheck(const QString& path, const ConnectionOptions& options, int latestStartMs, QObject* parent)
    : QObject(parent), m_turn(std::make_shared<Turn>()) {
    auto promise = std::make_shared<std::promise<Status>>();
    m_verdict = promise->get_future().share();
    m_file = sqliteFileName(path, options);
    if (!m_file.isEmpty())
        detail::holdWrites(m_file, m_verdict, [turn = m_turn] { turn->begin(); });
    m_thread = QThread::create([promise, path, options, turn = m_turn, latestStartMs] {
        turn->await(latestStartMs);
        Database db;
        Status status = db.open(path, false, options);
        if (status)
            status = checkForDamage(db);
        promise->set_value(status);
    });
    connect(m_thread, &QThread::finished, this, [this] { emit finished(verdict()); });
    m_thread->start(QThread::LowPriority);
}

void DamageCheck::begin() {
    m_turn->begin();
}

DamageCheck::~DamageCheck() {
    m_turn->begin();
    m_thread->wait();
    delete m_thread;
    if (!m_file.isEmpty())
        detail::holdWrites(m_file, {});
}

Status DamageCheck::verdict() const {
    m_turn->begin();
    const Status status = m_verdict.get();
    return status.number == err::Damaged || status.number == err::NotADatabase ? status : Status{};
}

} // namespace onda
