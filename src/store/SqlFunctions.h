#pragma once

struct sqlite3;

namespace onda::detail {

// Registers on a connection what the program's statements rely on: Int(x), and text
// comparison without regard to case for every letter, accented ones too (NOCASE,
// upper, lower, like). The file itself keeps naming the standard NOCASE, so other
// tools still open and query it with their own ASCII-only rule.
void registerSqlFunctions(sqlite3* db);

} // namespace onda::detail
