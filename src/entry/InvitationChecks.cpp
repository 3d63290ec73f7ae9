#include "entry/InvitationChecks.h"

#include "core/Dialogs.h"
#include "entry/EntryTime.h"
#include "lenex/EntryChecks.h"
#include "store/Database.h"
#include "store/Schema.h"

namespace onda {

namespace {

struct Loaded {
    Database db;
    lenex::EntryRules rules;
};

// The rules of the entry's race, or of every race to count limits; false when there are none to
// check (no invitation, no file).
bool load(const InvitationEntry& entry, Loaded& into, bool everyRace = false) {
    return !entry.race.isEmpty() && into.db.openShared(entry.databasePath) &&
           lenex::EntryRules::load(into.db, entry.competition, into.rules, everyRace ? QString() : entry.race) &&
           into.rules.fromInvitation();
}

lenex::StandardCheck check(Loaded& loaded, const InvitationEntry& entry) {
    const SwimTime typed = entryTimeRefusal(entry.time) ? SwimTime{} : SwimTime::parseBox(entry.time);
    const int time = typed.hundredths();
    return loaded.rules.standard(entry.race, entry.category, entry.sex, entry.year.toInt(),
                                 lenex::givenTime(time, lenex::recordedTimes(loaded.db, entry.code, entry.race)));
}

} // namespace

QString standardLine(const InvitationEntry& entry) {
    Loaded loaded;
    return load(entry, loaded) ? check(loaded, entry).line : QString();
}

bool invitationAllows(Dialogs& dialogs, const InvitationEntry& entry) {
    Loaded loaded;
    if (!load(entry, loaded, true))
        return true;
    Database::Result rows;
    // Without the club's entries no limit can be counted: the organiser's check stays.
    if (loaded.db.query(QStringLiteral("select codatl, spec, cat, sesso from [") +
                            registrationTable(entry.competition) + QStringLiteral("] where soc=?"),
                        rows, {entry.club})) {
        QList<lenex::EntryRules::Held> held;
        for (const QVariantList& r : rows.rows)
            held << lenex::EntryRules::Held{r.value(0).toString(), r.value(1).toString(), r.value(2).toString(),
                                            r.value(3).toString()};
        if (const std::optional<QString> refusal =
                loaded.rules.limitRefusal(held, {entry.code, entry.race, entry.category, entry.sex})) {
            dialogs.message(*refusal);
            return false;
        }
    }
    const lenex::StandardCheck standard = check(loaded, entry);
    return !standard.ask || dialogs.askYesNo(standard.line + QStringLiteral(". Vuoi iscrivere lo stesso?"),
                                             Dialogs::Answer::No) == Dialogs::Answer::Yes;
}

} // namespace onda
