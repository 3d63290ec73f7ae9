#pragma once

// The data every benchmark runs on, at two sizes: today's national championship (1x) and ten
// times that (10x), built once per size and per process by one builder.

#include "core/Dialogs.h"

#include <QString>

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

} // namespace bench
