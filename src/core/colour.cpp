#include "colour.h"

#include "failure.h"

namespace gridorra::colour {

quint32 checked(qint32 value)
{
    const auto bits = quint32(value);
    if (!isValid(bits))
        throw Failure(fail::invalidPropertyValue);
    return bits;
}

} // namespace gridorra::colour
