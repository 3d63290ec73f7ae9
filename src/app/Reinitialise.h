#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include "store/Status.h"

namespace onda {

struct DatabaseCopy;
class Dialogs;
class Store;

QString reinitialisationWarning();

// Both questions, No preselected; true only when both are answered Yes.
bool confirmReinitialisation(Dialogs& dialogs);

// The statements, in order: the athletes, the registration table of each competition number
// given, then categories, races and competitions.
QStringList reinitialisationStatements(const QVariantList& competitionNumbers);

// The numbers of the competitions the workspace holds: every one, or `user`'s when not empty.
// A list that cannot be read is a failure: the competitions' tables would be left behind.
Status listedCompetitions(const Store& store, const QString& user, QVariantList& numbers);

// A copy of the database first (none made: nothing changes), then the statements together,
// so that a failure or a crash leaves the old data or the new.
Status reinitialiseDatabase(const Store& store, const QVariantList& competitionNumbers);

// The question before a copy is put back in place of the database, No preselected.
bool confirmRestore(Dialogs& dialogs, const DatabaseCopy& copy);

// The copy back in place of the database (the current one copied first), the file then
// brought up to this program's tables. Nothing changes when the copy cannot be used.
Status restoreDatabase(const Store& store, const QString& copyPath);

// A count of a copy as the list shows it: "-" for one that cannot be read.
QString copyCount(int count);

} // namespace onda
