#pragma once

#include <QtGlobal>

namespace gridorra::colour {

// Colours cross the program as 32-bit values 0x00BBGGRR (red in the lowest
// byte). A value with the top bit set names a system colour by the index in
// its low byte, e.g. 0x8000000F for the face of buttons.

inline constexpr quint32 black = 0x00000000;
inline constexpr quint32 white = 0x00FFFFFF;
inline constexpr quint32 buttonFace = 0x8000000F;
inline constexpr quint32 buttonText = 0x80000012;

// The highest system-colour index the program knows.
inline constexpr int lastSystemIndex = 30;

constexpr bool isSystem(quint32 value)
{
    return (value & 0x80000000u) != 0;
}
constexpr int systemIndex(quint32 value)
{
    return int(value & 0xFFu);
}

constexpr int red(quint32 value)
{
    return int(value & 0xFFu);
}
constexpr int green(quint32 value)
{
    return int((value >> 8) & 0xFFu);
}
constexpr int blue(quint32 value)
{
    return int((value >> 16) & 0xFFu);
}

constexpr quint32 fromRgb(int r, int g, int b)
{
    return quint32(r & 0xFF) | (quint32(g & 0xFF) << 8) | (quint32(b & 0xFF) << 16);
}

// Whether a control accepts the value as a colour: a plain 0x00BBGGRR value,
// or a system colour with a known index.
constexpr bool isValid(quint32 value)
{
    if (isSystem(value))
        return (value & 0x7FFFFF00u) == 0 && systemIndex(value) <= lastSystemIndex;
    return (value & 0xFF000000u) == 0;
}

// Throws "Invalid property value" for a value that is not a colour.
quint32 checked(qint32 value);

} // namespace gridorra::colour
