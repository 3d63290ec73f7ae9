#pragma once

#include "athletes/ArchiveRules.h"
#include "store/Status.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace onda {

class Database;
class PreparedQuery;

// Which athletes the archive window shows: the club's individual athletes by name, or the
// whole register in its stored order.
struct AthleteScope {
    bool wholeRegister = true;
    QString club;

    static AthleteScope whole() { return {}; }
    static AthleteScope clubAthletes(const QString& club) { return {false, club}; }
};

// A row of natl as it was read: where it is and what its six fields held, as stored.
struct StoredAthlete {
    qlonglong row = -1;
    QVariantList fields; // codatl, nome, anno, soc, sesso, squadra
    AthleteRecord record() const;
    QString code() const;
};

// The athlete register (natl) for the archive, on the connection the windows' sources share:
// values in, rows out, every value bound. A row is rewritten or deleted only while it still
// holds what was read; one another program changed or deleted meanwhile is refused with
// err::RecordDeleted.
class AthleteRegister {
public:
    // `databasePath` is read at each use: the program may move to another file meanwhile.
    explicit AthleteRegister(const QString& databasePath);
    ~AthleteRegister();

    // Nothing found is no failure: `found` is then empty.
    Status findInScope(const AthleteScope& scope, const QString& code, std::optional<StoredAthlete>& found);
    // The first row of the whole register with that code (a whole number, or else the text)
    // or that name.
    Status findByCode(const QString& code, std::optional<StoredAthlete>& found);
    Status findByName(const QString& name, std::optional<StoredAthlete>& found);

    // The register can be read at all.
    Status readable();
    // Whether any athlete belongs to the club, spelt exactly so.
    Status clubListed(const QString& club, bool& listed);
    // The first `count` rows of the scope after the place of `name` and `row`, in the order
    // the window reads them: by name, then as stored (the whole register as stored).
    Status rowsAfter(const AthleteScope& scope, const QVariant& name, qlonglong row, int count, QList<qlonglong>& rows);
    qlonglong firstFreeProvisionalCode();

    // `written` is the row as stored afterwards.
    Status insert(const AthleteRecord& record, StoredAthlete& written);
    Status update(const StoredAthlete& read, const AthleteRecord& record, StoredAthlete& written);
    Status changeCode(const StoredAthlete& read, qlonglong code, StoredAthlete& written);
    Status remove(const StoredAthlete& read);

private:
    Database& database();
    Status first(const QString& where, const QVariantList& values, std::optional<StoredAthlete>& found);
    Status findRow(qlonglong row, std::optional<StoredAthlete>& found);
    // Runs `write` on the row only while it holds what `read` says, then reads it back.
    Status rewrite(const StoredAthlete& read, const std::function<Status(Database&)>& write,
                   std::optional<StoredAthlete>* written);

    const QString& m_path;
    std::unique_ptr<Database> m_db;
    // The lookups by their condition, prepared once: a navigator move runs one. Declared
    // after the connection, they are finalised before it is let go.
    std::map<QString, std::unique_ptr<PreparedQuery>> m_lookups;
};

} // namespace onda
