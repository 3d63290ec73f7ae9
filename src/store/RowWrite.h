#pragma once

#include "store/Status.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

namespace onda {

class Database;

using FieldValueList = QList<std::pair<QString, QVariant>>;

// One row written through bound values, each stored as a data source stores it (text into
// numbers converted, refused when it cannot be): added when `where` is empty, otherwise the
// rows it selects changed. Field names as the table declares them, in any case.
Status writeRow(Database& db, const QString& table, const FieldValueList& values, const QString& where = {},
                const QVariantList& whereValues = {});

// The declared length of a text field; 0 when it has none or the table cannot be read.
int textFieldSize(Database& db, const QString& table, const QString& field);

// Changes whenever anything is written to the file, by this program or another.
QString changeMark(Database& db);

} // namespace onda
