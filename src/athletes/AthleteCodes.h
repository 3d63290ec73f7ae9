#pragma once

#include <QString>

namespace onda {

class Database;

// Provisional codes of athletes created before the service gives them theirs.
inline constexpr qlonglong kFirstProvisionalCode = 500000;

// The smallest code from 500000 upward that no athlete of the archive has; gaps left by
// changed or deleted codes are reused. A register that cannot be read gives 500000.
qlonglong firstFreeProvisionalCode(Database& db);

} // namespace onda
