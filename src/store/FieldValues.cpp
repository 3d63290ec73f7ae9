#include "store/FieldValues.h"

#include "store/SqliteSupport.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <limits>
#include <optional>

namespace onda {

namespace {

// The whole-number range a field can hold: 64 bits, as SQLite stores it.
constexpr double wholeLow = -9223372036854775808.0; // -2^63, exact
constexpr double wholeHigh = 9223372036854775808.0; // 2^63, exact, itself out of range

const QLocale& plainNumbers() {
    static const QLocale locale = [] {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        return c;
    }();
    return locale;
}

Status dateValue(const QVariant& value, QVariant& out, const Status& mismatch) {
    QDate date;
    switch (value.typeId()) {
    case QMetaType::QDate:
        date = value.toDate();
        break;
    case QMetaType::QDateTime:
        date = value.toDateTime().date();
        break;
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return {};
        for (const char* format : {"d/M/yyyy", "yyyy-MM-dd"}) {
            date = QDate::fromString(text, QLatin1String(format));
            if (date.isValid())
                break;
        }
        break;
    }
    default:
        break;
    }
    if (!date.isValid())
        return mismatch;
    out = detail::isoDate(date);
    return {};
}

} // namespace

bool isNumericField(FieldType type) {
    switch (type) {
    case FieldType::Text:
    case FieldType::Memo:
    case FieldType::Date:
        return false;
    default:
        return true;
    }
}

bool isWholeNumberField(FieldType type) {
    return type == FieldType::Long || type == FieldType::Integer || type == FieldType::Byte ||
           type == FieldType::Boolean;
}

Status storedFieldValue(const FieldInfo& field, const QVariant& value, QVariant& out) {
    const QString shown = value.toString();
    const Status mismatch = Status::of(err::TypeMismatch, QStringLiteral("%1 = '%2'").arg(field.name, shown));
    out = {};
    if (!value.isValid() || value.isNull())
        return {};
    const int typeId = value.typeId();
    if (field.type == FieldType::Text || field.type == FieldType::Memo) {
        if (typeId == QMetaType::QDate)
            out = value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
        else if (typeId == QMetaType::Bool)
            out = value.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
        else
            out = shown;
        return {};
    }
    if (field.type == FieldType::Date)
        return dateValue(value, out, mismatch);

    // Numbers: either a whole number already, or a finite double.
    std::optional<qlonglong> whole;
    double number = 0;
    switch (typeId) {
    case QMetaType::Bool:
        whole = value.toBool() ? -1 : 0;
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        number = value.toDouble();
        break;
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        if (value.toULongLong() > qulonglong(std::numeric_limits<qlonglong>::max()))
            return Status::of(err::Overflow, QStringLiteral("%1 = %2").arg(field.name, shown));
        whole = value.toLongLong();
        break;
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString text = shown.trimmed();
        if (text.isEmpty())
            return {};
        bool ok = false;
        const qlonglong asWhole = plainNumbers().toLongLong(text, &ok);
        if (ok) {
            whole = asWhole;
            break;
        }
        number = plainNumbers().toDouble(text, &ok);
        if (!ok && field.type == FieldType::Boolean) {
            if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
                whole = -1;
            else if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
                whole = 0;
            ok = whole.has_value();
        }
        if (!ok)
            return mismatch;
        break;
    }
    default: {
        bool ok = false;
        whole = value.toLongLong(&ok);
        if (!ok)
            return mismatch;
        break;
    }
    }
    if (!whole && !std::isfinite(number))
        return mismatch;

    if (field.type == FieldType::Boolean) {
        out = qlonglong((whole ? *whole != 0 : number != 0) ? -1 : 0);
    } else if (isWholeNumberField(field.type)) {
        if (!whole) {
            if (!(number >= wholeLow && number < wholeHigh))
                return Status::of(err::Overflow, QStringLiteral("%1 = %2").arg(field.name, shown));
            whole = qlonglong(std::llround(number));
        }
        out = *whole;
    } else {
        out = whole ? double(*whole) : number;
    }
    return {};
}

} // namespace onda
