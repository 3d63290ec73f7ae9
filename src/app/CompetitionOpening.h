#pragma once

#include "core/Categories.h"

#include <QString>
#include <QVariant>

#include <optional>

namespace onda {

class AppState;
class Database;
class ServicePort;
class WindowHost;

// The answer of the mode window.
enum class OpeningMode { Online, Offline, Cancelled };
QString modeText(OpeningMode mode); // "ON-LINE", "OFF-LINE", "Cancella"
// Why competition `number` cannot be opened on-line; empty when it can.
QString onlineRefusal(const QString& number);

// A competition as the local list holds it for one user.
struct StoredCompetition {
    QString name;
    QString place;
    QString date;
    QVariant maxEntriesPerClub; // null when not stored
    QVariant maxEntriesPerAthlete;
    QString club;
    QString note; // empty when null
};

// Competition `number` among the user's; nothing when it has no row.
std::optional<StoredCompetition> findStoredCompetition(Database& db, const QString& user, const QString& number);

// The competition's categories in table order.
QList<CompetitionCategory> competitionCategories(Database& db, const QString& number);

// A row of the workspace's competition list.
struct ListedRow {
    QString number;
    QString name;
    QString place;
    QString date;
    QString user;
};

// The opening of a competition chosen in the workspace, without windows: the competition made
// the open one, then off-line from the local tables or on-line through the import, then the
// registration window opened on it. The windows it needs are reached through their ports.
class CompetitionOpeningFlow {
public:
    // `windows`: where the workspace and the registration window are found; none in tests.
    explicit CompetitionOpeningFlow(AppState& state, WindowHost* windows = nullptr);

    // What the workspace does as soon as a row is chosen, before the mode is asked.
    void choose(const ListedRow& row);
    // Goes on with the mode the user chose; true when the registration window was opened.
    bool open(const ListedRow& row, OpeningMode mode);
    // The link with the service the on-line opening imports through; none fails it.
    void setServicePort(ServicePort* service) { m_service = service; }

private:
    // The registration table's fields, with the insertion order added when it lacks it;
    // false when the table does not exist.
    bool prepareRegistrationTable(const QString& number);
    void readStoredCompetition(const ListedRow& row);
    void countClubRegistrations(const QString& number);
    void showChosenUser(const QString& user);

    AppState& m_state;
    WindowHost* m_windows;
    ServicePort* m_service = nullptr;
};

} // namespace onda
