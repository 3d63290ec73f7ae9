#pragma once

#include "store/Database.h"
#include "store/Status.h"

#include <QObject>
#include <QString>

#include <future>
#include <memory>

class QThread;

namespace onda {

// The whole-file check of a database that start-up used to wait for, run on a thread and a
// connection of its own so that the first screen does not. Until its verdict, any statement of
// this program that would write to the file waits for it, on whatever connection, and a damaged
// file refuses it with err::Damaged: nothing is written to a file before it is known sound.
class DamageCheck : public QObject {
    Q_OBJECT
public:
    // Reading the whole file beside the first screen slows its drawing: given `latestStartMs`,
    // the check begins at begin(), at the first write or verdict() asked, or that long after
    // it is made, whichever comes first. Without, it begins at once.
    DamageCheck(const QString& path, const ConnectionOptions& options, int latestStartMs = 0,
                QObject* parent = nullptr);
    ~DamageCheck() override; // waits for the check; the file's writes are free again

    void begin();

    // err::Damaged with SQLite's findings; ok otherwise (a check that could not run leaves the
    // telling to the statements that meet the same cause). Waits for the check.
    Status verdict() const;

signals:
    // On the thread that made the check, once.
    void finished(const onda::Status& verdict);

private:
    struct Turn;
    std::shared_ptr<Turn> m_turn;
    std::shared_future<Status> m_verdict;
    QByteArray m_file;
    QThread* m_thread = nullptr;
};

// The file's damage check, the same SQLite runs wherever it is asked.
Status checkForDamage(Database& db);

} // namespace onda
