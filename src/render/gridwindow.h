#pragma once

#include <QString>
#include <QtGlobal>

namespace gridorra {

// The six fields by number, as the window names them (Text1 .. Text6) and
// the store keeps them.
namespace field {
inline constexpr int linesDown = 1;   // Text1: horizontal lines per unit
inline constexpr int linesAcross = 2; // Text2: vertical lines per unit
inline constexpr int wideAcross = 3;  // Text3: vertical lines per wide vertical line
inline constexpr int wideDown = 4;    // Text4: horizontal lines per wide horizontal line
inline constexpr int thickness = 5;   // Text5: a line's thickness in dots
inline constexpr int copies = 6;      // Text6: copies, one job each
} // namespace field

// What the drawing procedures read from the main window's controls and set
// on it. The controls hold the parameters; nothing is copied elsewhere.
class GridWindow {
public:
    virtual ~GridWindow() = default;

    virtual quint32 lineColour() const = 0;         // Picture1's BackColor
    virtual QString fieldText(int field) const = 0; // text of Text1 .. Text6
    virtual bool inchesSelected() const = 0;        // Option1
    virtual bool centimetresSelected() const = 0;   // Option2
    virtual QString printerChoice() const = 0;      // Combo1's text

    virtual void setMousePointer(int pointer) = 0;
    virtual void setProgressValue(double value) = 0;
    virtual void setProgressText(const QString& text) = 0;
};

} // namespace gridorra
