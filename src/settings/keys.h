#pragma once

#include <QString>

namespace gridorra::keys {

// The stored parameters and their defaults. The six fields are stored under
// their own names, Text1 .. Text6.
struct Key {
    const char* name;
    const char* defaultValue;
};

inline constexpr Key text[6] = {{"Text1", "10"}, {"Text2", "10"}, {"Text3", "10"},
                                {"Text4", "10"}, {"Text5", "1"},  {"Text6", "1"}};
inline constexpr Key scale{"Scale", "1"};  // "1" inches, "2" centimetres
inline constexpr Key colour{"Color", "0"}; // signed decimal of 0x00BBGGRR
// The grid's spacing exactly the unit over the count ("1"), not the
// window's whole twips ("0").
inline constexpr Key exactLengths{"ExactLengths", "0"};
// The kind of paper the window draws and prints, its options, and the paper
// a saved file is drawn on (see PaperChoice); the folder Save As opened last.
inline constexpr Key paper{"Paper", "grid"};
inline constexpr Key paperOptions{"PaperOptions", ""};
inline constexpr Key paperSize{"PaperSize", ""};
inline constexpr Key saveFolder{"SaveFolder", ""};

inline QString name(const Key& k)
{
    return QString::fromLatin1(k.name);
}
inline QString defaultOf(const Key& k)
{
    return QString::fromLatin1(k.defaultValue);
}

} // namespace gridorra::keys
