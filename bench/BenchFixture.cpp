#include "BenchFixture.h"

#include "store/Store.h"

#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <memory>

namespace bench {

Size sizeAt(int factor) {
    Size s;
    s.factor = factor;
    s.registrations = 50000 * factor;
    s.clubRegistrations = 2000 * factor;
    s.athletes = 10000 * factor;
    s.races = 300 * factor;
    s.categories = 40 * factor;
    s.competitions = 60 * factor;
    s.importLines = 20000 * factor;
    s.importAthletes = 5000 * factor;
    return s;
}

QString Fixture::athleteCode(int i) {
    return QString::number(100000 + i);
}

QString Fixture::athleteName(int i) const {
    // A permutation of the codes, so that the archive's order by name is not that of the codes.
    const qint64 n = (qint64(i) * 7919) % size.athletes;
    return QStringLiteral("ATLETA %1").arg(n, 6, 10, QLatin1Char('0')) +
           (i % 10 == 3 ? QStringLiteral(" D'ANGELO") : QString());
}

QString Fixture::raceCode(int r) {
    return QStringLiteral("%1 SL").arg(50 + r);
}

QString Fixture::categoryName(int c) {
    return QStringLiteral("C%1").arg(c);
}

namespace {

// Category c: M for even c, F for odd, five years from 1960 + (c / 2) * 3.
QString categorySex(int c) {
    return c % 2 ? QStringLiteral("F") : QStringLiteral("M");
}
int categoryFirstYear(int c) {
    return 1960 + (c / 2) * 3;
}

class Insert {
public:
    Insert(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Insert() { sqlite3_finalize(m_stmt); }
    Insert& text(int i, const QString& value) {
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(m_stmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Insert& number(int i, double value) {
        sqlite3_bind_double(m_stmt, i, value);
        return *this;
    }
    bool run() {
        const bool ok = sqlite3_step(m_stmt) == SQLITE_DONE;
        sqlite3_reset(m_stmt);
        return ok;
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace

QString Fixture::freeAthleteCategory() const {
    for (int c = 0; c < size.categories; c += 2)
        if (categoryFirstYear(c) <= 1990 && 1990 <= categoryFirstYear(c) + 4)
            return categoryName(c);
    return {};
}

bool Fixture::write(const QString& path, const Size& size) {
    onda::Store store;
    store.setDatabasePath(path);
    if (!store.ensureDatabase() || !store.execute(QStringLiteral("SELECT nprg.* INTO nprg57 FROM nprg;")))
        return false;
    Fixture f;
    f.size = size;
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    bool ok = sqlite3_exec(db, "begin", nullptr, nullptr, nullptr) == SQLITE_OK;
    {
        Insert manif(db, "insert into manif ([Numero Prova], [Nome Manifestazione], [Località], Data, userName, "
                         "societa, Nota) values (?1, ?2, 'LUOGO', ?3, 'U', 'ABC', 'nota')");
        for (int n = 1; n <= size.competitions; ++n) {
            const int number = n == size.competitions ? 57 : 1000 + n;
            ok = manif.number(1, number)
                     .text(2, QStringLiteral("GARA %1").arg(number))
                     .text(3, QStringLiteral("2026-05-%1").arg(1 + n % 28, 2, 10, QLatin1Char('0')))
                     .run() &&
                 ok;
        }
        Insert category(db, "insert into categorie (manifID, Categoria, sesso, AnnoIni, AnnoFin) values "
                            "(57, ?1, ?2, ?3, ?4)");
        for (int c = 0; c < size.categories; ++c) {
            ok = category.text(1, categoryName(c))
                     .text(2, categorySex(c))
                     .number(3, categoryFirstYear(c))
                     .number(4, categoryFirstYear(c) + 4)
                     .run() &&
                 ok;
        }
        Insert race(db, "insert into programmi (ManifID, OrdineGara, gara, Categoria, Sesso, Anno) values "
                        "(57, ?1, ?2, ?3, ?4, 0)");
        for (int r = 0; r < size.races; ++r) {
            const int c = r % size.categories;
            ok = race.number(1, r).text(2, raceCode(r)).text(3, categoryName(c)).text(4, categorySex(c)).run() && ok;
        }
        Insert athlete(db, "insert into natl (codatl, nome, anno, soc, sesso, squadra) values "
                           "(?1, ?2, ?3, 'ABC', ?4, 0)");
        for (int i = 0; i < size.athletes; ++i) {
            ok = athlete.number(1, 100000 + i)
                     .text(2, f.athleteName(i))
                     .number(3, 1960 + i % 50)
                     .text(4, i % 3 == 0 ? QStringLiteral("F") : QStringLiteral("M"))
                     .run() &&
                 ok;
        }
        Insert registration(db, "insert into nprg57 (codatl, nome, anno, cat, soc, sesso, spec, m, s, status) "
                                "values (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
        const int step = size.registrations / size.clubRegistrations;
        const int clubs = 300 * size.factor;
        for (int j = 0; j < size.registrations; ++j) {
            const int r = (j * 31) % size.races;
            const int c = r % size.categories;
            if (j % step == 0) {
                const int k = j / step;
                const int a = 1000 + (k * 13) % (size.athletes - 1000);
                registration.number(1, 100000 + a)
                    .text(2, f.athleteName(a))
                    .number(3, 1960 + a % 50)
                    .text(5, kClub)
                    .text(6, a % 3 == 0 ? QStringLiteral("F") : QStringLiteral("M"))
                    .text(10, QStringLiteral("p"));
            } else {
                registration.number(1, 300000 + j % (size.athletes * 4))
                    .text(2, QStringLiteral("ALTRO %1").arg(j % (size.athletes * 4)))
                    .number(3, 1960 + j % 50)
                    .text(5, QStringLiteral("S%1").arg(j % clubs))
                    .text(6, categorySex(c))
                    .text(10, QStringLiteral("A"));
            }
            ok = registration.text(4, categoryName(c))
                     .text(7, raceCode(r))
                     .number(8, j % 7 ? 1 : 99)
                     .number(9, 10.5)
                     .run() &&
                 ok;
        }
    }
    ok = sqlite3_exec(db, ok ? "commit" : "rollback", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
    sqlite3_close(db);
    // As the program leaves the file after the competition's first opening.
    return ok && store.ensureRegistrationIndex(kCompetition);
}

const Fixture& Fixture::at(int factor) {
    static std::map<int, std::unique_ptr<Fixture>> built;
    static QTemporaryDir directory;
    std::unique_ptr<Fixture>& f = built[factor];
    if (!f) {
        f.reset(new Fixture);
        f->size = sizeAt(factor);
        f->path = directory.filePath(QStringLiteral("ONDA%1x.mdb").arg(factor));
        for (int c = 0; c < f->size.categories; ++c)
            f->categoriesText += categorySex(c) + QLatin1Char('|') + categoryName(c) + QLatin1Char('|') +
                                 QString::number(categoryFirstYear(c)) + QLatin1Char('|') +
                                 QString::number(categoryFirstYear(c) + 4) + QStringLiteral("|$");
        if (!write(f->path, f->size))
            std::fprintf(stderr, "bench: the %dx fixture was not written\n", factor);
    }
    return *f;
}

BareReader::BareReader(const QString& path, bool writable) {
    sqlite3_open_v2(path.toUtf8().constData(), &m_db, writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, nullptr);
}

BareReader::~BareReader() {
    sqlite3_close(m_db);
}

qint64 BareReader::read(const char* sql, bool asText) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
    qint64 rows = 0, sum = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            if (sqlite3_column_type(stmt, c) != SQLITE_TEXT)
                sum += sqlite3_column_int64(stmt, c);
            else if (asText)
                sum += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                                         sqlite3_column_bytes(stmt, c))
                           .size();
            else
                sum += sqlite3_column_bytes(stmt, c);
        }
    }
    sqlite3_finalize(stmt);
    benchmark::DoNotOptimize(sum);
    return rows;
}

QString copyOf(const Fixture& fixture, const QString& directory, const QString& name) {
    const QString path = directory + QLatin1Char('/') + name;
    QFile::remove(path);
    if (!QFile::copy(fixture.path, path))
        std::fprintf(stderr, "bench: the fixture was not copied\n");
    return path;
}

} // namespace bench
