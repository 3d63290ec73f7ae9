#include "athletes/AthleteRegister.h"

#include "athletes/AthleteCodes.h"
#include "store/Database.h"
#include "store/PreparedQuery.h"
#include "store/RowWrite.h"
#include "store/Transaction.h"
#include "store/Values.h"

namespace onda {

namespace {

const QString kColumns = QStringLiteral("select rowid, codatl, nome, anno, soc, sesso, squadra from natl where ");
// The selection of the club's individual athletes, as the window's record source has it.
const QString kClubAthletes = QStringLiteral("((natl.SQUADRA)<>-1 OR (natl.SQUADRA) Is Null) and soc=?");

// A code that is a whole number is looked for as a number, anything else as the text typed.
QVariant codeValue(const QString& code) {
    if (const std::optional<qlonglong> number = archive::wholeNumber(code))
        return *number;
    return code;
}

bool sameFields(const QVariantList& a, const QVariantList& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].typeId() != b[i].typeId() || a[i] != b[i])
            return false;
    }
    return true;
}

} // namespace

AthleteRecord StoredAthlete::record() const {
    AthleteRecord r;
    r.code = displayText(fields.value(0));
    r.name = displayText(fields.value(1));
    r.year = displayText(fields.value(2));
    r.club = displayText(fields.value(3));
    r.sex = displayText(fields.value(4));
    const QVariant team = fields.value(5);
    r.team = !team.isNull() && team.toLongLong() != 0;
    return r;
}

QString StoredAthlete::code() const {
    return displayText(fields.value(0));
}

AthleteRegister::AthleteRegister(const QString& databasePath)
    : m_path(databasePath), m_db(std::make_unique<Database>()) {}

AthleteRegister::~AthleteRegister() = default;

Database& AthleteRegister::database() {
    // The connection the windows' sources share: what one writes, the others read at once.
    // A file that cannot be opened fails every statement, each reported where it is run.
    if (!m_db->isOpen() || m_db->path() != m_path) {
        for (auto& [where, lookup] : m_lookups)
            lookup->release();
        (void)m_db->openShared(m_path);
    }
    return *m_db;
}

Status AthleteRegister::first(const QString& where, const QVariantList& values, std::optional<StoredAthlete>& found) {
    found.reset();
    std::unique_ptr<PreparedQuery>& lookup = m_lookups[where];
    if (!lookup)
        lookup = std::make_unique<PreparedQuery>(kColumns + where);
    QList<QVariantList> rows;
    if (Status s = lookup->run(database(), values, rows); !s)
        return s;
    if (!rows.isEmpty()) {
        QVariantList fields = rows.first();
        const qlonglong row = fields.takeFirst().toLongLong();
        found = StoredAthlete{row, fields};
    }
    return {};
}

Status AthleteRegister::findInScope(const AthleteScope& scope, const QString& code,
                                    std::optional<StoredAthlete>& found) {
    if (scope.wholeRegister)
        return first(QStringLiteral("codatl=? order by rowid"), {code}, found);
    // Found by the code's index: the club's own would read all its athletes to order them.
    return first(QStringLiteral("((natl.SQUADRA)<>-1 OR (natl.SQUADRA) Is Null) and +soc=? and codatl=? "
                                "order by nome, rowid"),
                 {scope.club, code}, found);
}

Status AthleteRegister::findByCode(const QString& code, std::optional<StoredAthlete>& found) {
    return first(QStringLiteral("codatl=?"), {codeValue(code)}, found);
}

Status AthleteRegister::findByName(const QString& name, std::optional<StoredAthlete>& found) {
    return first(QStringLiteral("nome=?"), {name}, found);
}

Status AthleteRegister::findRow(qlonglong row, std::optional<StoredAthlete>& found) {
    return first(QStringLiteral("rowid=?"), {row}, found);
}

Status AthleteRegister::readable() {
    Database::Result none;
    return database().query(QStringLiteral("select codatl from natl where rowid=0"), none);
}

Status AthleteRegister::clubListed(const QString& club, bool& listed) {
    Database::Result rows;
    // The first term finds the club by the index, the second keeps the spelling exact; an
    // empty club is the one of athletes without any.
    const Status s =
        club.isEmpty()
            ? database().query(QStringLiteral("select 1 from natl where soc is null or soc='' limit 1"), rows)
            : database().query(QStringLiteral("select 1 from natl where soc=? and soc=? collate binary limit 1"), rows,
                               {club, club});
    listed = s.ok() && !rows.rows.isEmpty();
    return s;
}

Status AthleteRegister::rowsAfter(const AthleteScope& scope, const QVariant& name, qlonglong row, int count,
                                  QList<qlonglong>& rows) {
    rows.clear();
    Database::Result found;
    Status s;
    if (scope.wholeRegister) {
        s = database().query(QStringLiteral("select rowid from natl where rowid>? order by rowid limit ?"), found,
                             {row, count});
    } else if (name.isNull()) {
        // A row without a name comes first: any named one follows it.
        s = database().query(QStringLiteral("select rowid from natl where ") + kClubAthletes +
                                 QStringLiteral(" and (nome is not null or rowid>?) order by nome, rowid limit ?"),
                             found, {scope.club, row, count});
    } else {
        s = database().query(QStringLiteral("select rowid from natl where ") + kClubAthletes +
                                 QStringLiteral(" and nome>=? and (nome>? or rowid>?) order by nome, rowid limit ?"),
                             found, {scope.club, name, name, row, count});
    }
    for (const QVariantList& r : found.rows)
        rows << r.value(0).toLongLong();
    return s;
}

qlonglong AthleteRegister::firstFreeProvisionalCode() {
    return onda::firstFreeProvisionalCode(database());
}

namespace {

FieldValueList valuesOf(const AthleteRecord& record) {
    return {{QStringLiteral("codatl"), record.code}, {QStringLiteral("nome"), record.name},
            {QStringLiteral("anno"), record.year},   {QStringLiteral("soc"), record.club},
            {QStringLiteral("sesso"), record.sex},   {QStringLiteral("squadra"), record.team ? -1 : 0}};
}

} // namespace

Status AthleteRegister::insert(const AthleteRecord& record, StoredAthlete& written) {
    Database& db = database();
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    if (Status s = writeRow(db, QStringLiteral("natl"), valuesOf(record)); !s)
        return s;
    Database::Result id;
    if (Status s = db.query(QStringLiteral("select last_insert_rowid()"), id); !s)
        return s;
    std::optional<StoredAthlete> found;
    if (Status s = findRow(id.rows.value(0).value(0).toLongLong(), found); !s)
        return s;
    if (Status s = transaction.commit(); !s)
        return s;
    written = found.value_or(StoredAthlete{});
    return {};
}

Status AthleteRegister::rewrite(const StoredAthlete& read, const std::function<Status(Database&)>& write,
                                std::optional<StoredAthlete>* written) {
    Database& db = database();
    // The check and the write are one transaction: nothing can change the row between them.
    Transaction transaction(db);
    if (!transaction.begun())
        return transaction.begun();
    std::optional<StoredAthlete> now;
    if (Status s = findRow(read.row, now); !s)
        return s;
    if (!now || !sameFields(now->fields, read.fields))
        return Status::of(err::RecordDeleted);
    if (Status s = write(db); !s)
        return s;
    if (written)
        if (Status s = findRow(read.row, *written); !s)
            return s;
    return transaction.commit();
}

Status AthleteRegister::update(const StoredAthlete& read, const AthleteRecord& record, StoredAthlete& written) {
    std::optional<StoredAthlete> after;
    const Status s = rewrite(
        read,
        [&](Database& db) {
            return writeRow(db, QStringLiteral("natl"), valuesOf(record), QStringLiteral("rowid=?"), {read.row});
        },
        &after);
    if (s)
        written = after.value_or(StoredAthlete{});
    return s;
}

Status AthleteRegister::changeCode(const StoredAthlete& read, qlonglong code, StoredAthlete& written) {
    std::optional<StoredAthlete> after;
    const Status s = rewrite(
        read,
        [&](Database& db) {
            return writeRow(db, QStringLiteral("natl"), {{QStringLiteral("codatl"), code}}, QStringLiteral("rowid=?"),
                            {read.row});
        },
        &after);
    if (s)
        written = after.value_or(StoredAthlete{});
    return s;
}

Status AthleteRegister::remove(const StoredAthlete& read) {
    return rewrite(
        read,
        [&](Database& db) {
            Database::Result none;
            return db.query(QStringLiteral("delete from natl where rowid=?"), none, {read.row});
        },
        nullptr);
}

} // namespace onda
