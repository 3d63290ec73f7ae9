#include "store/SqlFunctions.h"

#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>

namespace onda::detail {

namespace {

QStringView utf16View(const void* data, int bytes) {
    return QStringView(static_cast<const char16_t*>(data), bytes / qsizetype(sizeof(char16_t)));
}

QString textArgument(sqlite3_value* value) {
    const void* data = sqlite3_value_text16(value);
    return utf16View(data, sqlite3_value_bytes16(value)).toString();
}

void resultText(sqlite3_context* context, const QString& text) {
    sqlite3_result_text16(context, text.utf16(), int(text.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
}

// Letters of every alphabet compare without regard to case. ASCII runs compare in
// place, as SQLite's own NOCASE does; from the first other byte on the rest is decoded.
int compareNoCase(void*, int leftBytes, const void* left, int rightBytes, const void* right) {
    const auto* a = static_cast<const unsigned char*>(left);
    const auto* b = static_cast<const unsigned char*>(right);
    const int common = std::min(leftBytes, rightBytes);
    int i = 0;
    for (; i < common && a[i] < 0x80 && b[i] < 0x80; ++i) {
        const int ca = (a[i] >= 'A' && a[i] <= 'Z') ? a[i] + 32 : a[i];
        const int cb = (b[i] >= 'A' && b[i] <= 'Z') ? b[i] + 32 : b[i];
        if (ca != cb)
            return ca - cb;
    }
    if (i == common)
        return leftBytes - rightBytes;
    const QString restA = QString::fromUtf8(reinterpret_cast<const char*>(a + i), leftBytes - i);
    const QString restB = QString::fromUtf8(reinterpret_cast<const char*>(b + i), rightBytes - i);
    return restA.compare(restB, Qt::CaseInsensitive);
}

} // namespace

int compareNoCase(const QString& a, const QString& b) {
    const QByteArray left = a.toUtf8(), right = b.toUtf8();
    return compareNoCase(nullptr, int(left.size()), left.constData(), int(right.size()), right.constData());
}

// compareNoCase on the texts before they become UTF-8: the same ASCII run, then the same rest.
std::optional<bool> equalNoCase(QStringView a, QStringView b) {
    const qsizetype common = std::min(a.size(), b.size());
    qsizetype i = 0;
    for (; i < common && a[i].unicode() < 0x80 && b[i].unicode() < 0x80; ++i) {
        const char16_t ca = a[i].unicode();
        const char16_t cb = b[i].unicode();
        if (ca != cb && ((ca | 0x20) != (cb | 0x20) || (ca | 0x20) < u'a' || (ca | 0x20) > u'z'))
            return false;
    }
    if (i == common)
        return a.size() == b.size();
    const QStringView restA = a.sliced(i);
    const QStringView restB = b.sliced(i);
    if (!restA.isValidUtf16() || !restB.isValidUtf16())
        return std::nullopt;
    return restA.compare(restB, Qt::CaseInsensitive) == 0;
}

namespace {

// Int(x): the largest integer not above x; Null stays Null. Beyond the 64-bit range
// the result stays a real number rather than an undefined conversion.
void intFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    sqlite3_value* arg = argv[0];
    switch (sqlite3_value_numeric_type(arg)) {
    case SQLITE_NULL:
        sqlite3_result_null(context);
        break;
    case SQLITE_INTEGER:
        sqlite3_result_int64(context, sqlite3_value_int64(arg));
        break;
    case SQLITE_FLOAT: {
        const double floored = std::floor(sqlite3_value_double(arg));
        // 2^63 is exactly representable; every double below it and at or above -2^63 fits.
        if (floored >= -9223372036854775808.0 && floored < 9223372036854775808.0)
            sqlite3_result_int64(context, sqlite3_int64(floored));
        else
            sqlite3_result_double(context, floored);
        break;
    }
    default:
        sqlite3_result_error(context, "Data type mismatch in criteria expression.", -1);
        break;
    }
}

void upperFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    resultText(context, textArgument(argv[0]).toUpper());
}

void lowerFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    resultText(context, textArgument(argv[0]).toLower());
}

// `%` any run, `_` one character, `escape` makes the next character literal.
bool likeMatch(QStringView pattern, QStringView text, QChar escape, bool hasEscape) {
    const auto same = [&](qsizetype pp, qsizetype tt) {
        return pattern.sliced(pp, 1).compare(text.sliced(tt, 1), Qt::CaseInsensitive) == 0;
    };
    qsizetype p = 0;
    qsizetype t = 0;
    qsizetype starP = -1; // pattern position after the last `%`
    qsizetype starT = 0;
    while (t < text.size()) {
        if (p < pattern.size()) {
            const QChar c = pattern[p];
            if (hasEscape && c == escape && p + 1 < pattern.size()) {
                if (same(p + 1, t)) {
                    p += 2;
                    ++t;
                    continue;
                }
            } else if (c == QLatin1Char('%')) {
                starP = ++p;
                starT = t;
                continue;
            } else if (c == QLatin1Char('_') || same(p, t)) {
                ++p;
                ++t;
                continue;
            }
        }
        if (starP < 0)
            return false;
        p = starP;
        t = ++starT;
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('%'))
        ++p;
    return p == pattern.size();
}

// like(pattern, text [, escape]), the function behind `text LIKE pattern`.
void likeFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return sqlite3_result_null(context);
    }
    const QString pattern = textArgument(argv[0]);
    const QString text = textArgument(argv[1]);
    QChar escape;
    if (argc == 3) {
        const QString e = textArgument(argv[2]);
        if (e.size() != 1)
            return sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
        escape = e.front();
    }
    sqlite3_result_int(context, likeMatch(pattern, text, escape, argc == 3) ? 1 : 0);
}

} // namespace

void registerSqlFunctions(sqlite3* db) {
    constexpr int pure = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "Int", 1, pure, nullptr, intFunction, nullptr, nullptr);
    sqlite3_create_function(db, "upper", 1, pure, nullptr, upperFunction, nullptr, nullptr);
    sqlite3_create_function(db, "lower", 1, pure, nullptr, lowerFunction, nullptr, nullptr);
    sqlite3_create_function(db, "like", 2, pure, nullptr, likeFunction, nullptr, nullptr);
    sqlite3_create_function(db, "like", 3, pure, nullptr, likeFunction, nullptr, nullptr);
    // Registered for UTF-8, the files' encoding, where the built-in one sits.
    sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, compareNoCase, nullptr);
}

} // namespace onda::detail
