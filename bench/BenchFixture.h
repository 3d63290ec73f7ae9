#pragma once

// The data every benchmark runs on, at two sizes: today's national championship (1x) and ten
// times that (10x), built once per size and per process by one builder.

#include "core/Dialogs.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

struct sqlite3;

namespace bench {

struct Size {
    int factor = 1;
    int registrations = 0;     // rows of the competition's registration table, all clubs
    int clubRegistrations = 0; // of which the user's club's
    int athletes = 0;          // the club's archive
    int races = 0;
    int categories = 0;
    int competitions = 0;   // rows of the competition list
    int importLines = 0;    // registration lines of an imported competition
    int importAthletes = 0; // athletes of an import, all new to the archive
};

// factor 1 or 10.
Size sizeAt(int factor);

inline const QString kClub = QStringLiteral("ABC");
inline const QString kCompetition = QStringLiteral("57");

// A program database holding competition 57: its categories, races and registrations, and
// the club's archive. Athlete i has code 100000 + i, a name sorted apart from its code,
// a year 1960 + i % 50 and sex F when i % 3 == 0; athletes below 1000 have no registrations.
class Fixture {
public:
    static const Fixture& at(int factor);

    Size size;
    QString path;           // ONDA.mdb
    QString categoriesText; // the competition's categories as the service sends them

    static QString athleteCode(int i);
    QString athleteName(int i) const;
    static QString raceCode(int r);
    static QString categoryName(int c);
    // A male born in 1990 with no registration, and his category.
    static constexpr int kFreeAthlete = 130;
    QString freeAthleteCategory() const;

    // Writes the fixture's rows into a fresh program database at `path`.
    static bool write(const QString& path, const Size& size);

private:
    Fixture() = default;
};

// A copy of the fixture's database in `directory`, for benchmarks that change it.
QString copyOf(const Fixture& fixture, const QString& directory, const QString& name);

// Any question or message during a benchmark is a fault of the run: counted, answered with the
// preselected button, never shown.
class SilentDialogs final : public onda::Dialogs {
public:
    int shown = 0;
    void message(const QString&, Icon, const QString&) override { ++shown; }
    Answer askYesNo(const QString&, Answer answer, Icon, const QString&) override { return ++shown, answer; }
    Answer askOkCancel(const QString&, Answer answer, Icon, const QString&) override { return ++shown, answer; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        return ++shown, std::nullopt;
    }
    QString saveFileName(const QString&, const QString&, const QString&) override { return ++shown, QString(); }
    QStringList openFileNames(const QString&, const QString&, bool) override { return ++shown, QStringList(); }
    bool choosePrinter(QPrinter&) override { return ++shown, false; }
};

// One object per size, made by the first benchmark that runs at that size.
template <typename T> class PerSize {
public:
    T& operator()(const benchmark::State& state) {
        std::unique_ptr<T>& made = m_made[int(state.range(0))];
        if (!made)
            made = std::make_unique<T>(int(state.range(0)));
        return *made;
    }
    // The questions and messages the objects' silent dialogs counted.
    int dialogsShown() const {
        int shown = 0;
        for (const auto& [factor, made] : m_made)
            shown += made->dialogs.shown;
        return shown;
    }
    // Before the application object goes.
    void clear() { m_made.clear(); }

private:
    std::map<int, std::unique_ptr<T>> m_made;
};

// The bare baseline's reading: plain SQLite on the file, every column of every row stepped
// through (and made a QString where the program makes one).
class BareReader {
public:
    explicit BareReader(const QString& path, bool writable = false);
    ~BareReader();
    BareReader(const BareReader&) = delete;
    BareReader& operator=(const BareReader&) = delete;
    qint64 read(const char* sql, bool asText = false); // the rows read
    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

} // namespace bench
