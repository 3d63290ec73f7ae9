#pragma once

#include <QString>
#include <QStringList>

#include "store/Status.h"

namespace onda {

class DataSource;
class Dialogs;
class Store;

QString reinitialisationWarning();

// Both questions, No preselected; true only when both are answered Yes.
bool confirmReinitialisation(Dialogs& dialogs);

// The statements, in order: the athletes, the registration table of every competition
// of `manif` as it stands, then categories, races and competitions.
QStringList reinitialisationStatements(DataSource& manif);

// Runs them together, so that a failure or a crash leaves the old data or the new.
Status reinitialiseDatabase(const Store& store, DataSource& manif);

} // namespace onda
