#pragma once

#include <QString>

namespace onda {

class DataSource;

// Provisional codes of athletes created before the service gives them theirs.
inline constexpr qlonglong kFirstProvisionalCode = 500000;

// The smallest code from 500000 upward that no row of `athletes` has; gaps left by
// changed or deleted codes are reused. The source's cursor is left where the search ends.
qlonglong firstFreeProvisionalCode(DataSource& athletes);

} // namespace onda
