#pragma once

#include "store/FieldInfo.h"
#include "store/Status.h"

#include <QVariant>

namespace onda {

// Fields that hold numbers (yes/no included) and, of those, whole numbers.
bool isNumericField(FieldType type);
bool isWholeNumberField(FieldType type);

// The value a field of the given description stores when `value` is written into it:
// - empty or blank text into a number or a date: Null;
// - text into a number: a plain decimal number with "." as the point; group separators
//   ("1,000"), infinities and not-a-number are refused (err::TypeMismatch), and so is a
//   number a whole-number field cannot hold (err::Overflow), never wrapped or cut;
// - into a yes/no field: -1 for true (any non-zero number, "true"), 0 for false;
// - into a date: a date value, or text as d/m/yyyy or yyyy-mm-dd, stored as yyyy-mm-dd;
// - into text: the value's text, a date as dd/mm/yyyy, a yes/no value as -1 or 0.
Status storedFieldValue(const FieldInfo& field, const QVariant& value, QVariant& out);

} // namespace onda
