#pragma once

#include <QString>
#include <QtGlobal>

namespace gridorra {

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
