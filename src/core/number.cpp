#include "number.h"

#include "failure.h"

#include <QLocale>

#include <cfenv>
#include <cmath>
#include <limits>

namespace gridorra::number {

std::optional<double> parse(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale().toDouble(trimmed, &ok);
    // The locale also reads "inf" and "nan"; neither is a number a user means.
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double roundHalfEven(double value)
{
    const int mode = std::fegetround();
    if (mode == FE_TONEAREST)
        return std::nearbyint(value);
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(mode);
    return rounded;
}

namespace {

template <typename Int> Int roundedTo(double value)
{
    const double rounded = roundHalfEven(value);
    if (!(rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max()))
        throw Failure(fail::overflow);
    return static_cast<Int>(rounded);
}

double parseOrFail(const QString& text)
{
    const auto value = parse(text);
    if (!value)
        throw Failure(fail::typeMismatch);
    return *value;
}

} // namespace

qint16 toInt16(double value)
{
    return roundedTo<qint16>(value);
}
qint32 toInt32(double value)
{
    return roundedTo<qint32>(value);
}
qint16 toInt16(const QString& text)
{
    return toInt16(parseOrFail(text));
}
qint32 toInt32(const QString& text)
{
    return toInt32(parseOrFail(text));
}

qint16 add16(qint16 a, qint16 b)
{
    return toInt16(double(a) + double(b));
}
qint16 sub16(qint16 a, qint16 b)
{
    return toInt16(double(a) - double(b));
}

double divide(double dividend, double divisor)
{
    if (divisor == 0.0)
        throw Failure(fail::divisionByZero);
    return dividend / divisor;
}

} // namespace gridorra::number
