#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace gridorra {

// Numbers as the user types them: the default locale's forms (blanks around,
// sign, decimal and group separators, exponent). Every conversion to a whole
// number rounds to nearest with halves to even (2.5 -> 2, 3.5 -> 4).
namespace number {

// The value of a numeric text, or nothing when the text does not read as a number.
std::optional<double> parse(const QString& text);

inline bool isNumeric(const QString& text)
{
    return parse(text).has_value();
}

// Rounds to nearest, halves to the even neighbour.
double roundHalfEven(double value);

// Conversions that fail like the user's platform does: text that is not a
// number is a "Type mismatch", a value outside the range an "Overflow".
qint16 toInt16(double value);
qint32 toInt32(double value);
qint16 toInt16(const QString& text);
qint32 toInt32(const QString& text);

// 16-bit arithmetic that reports an "Overflow" instead of wrapping.
qint16 add16(qint16 a, qint16 b);
qint16 sub16(qint16 a, qint16 b);

// Floating-point division that reports "Division by zero".
double divide(double dividend, double divisor);

} // namespace number
} // namespace gridorra
