#pragma once

#include <QString>

namespace gridorra {

// Held while the application object is made. Where no window can be opened
// (no display, or one that cannot be reached) it prints one line that says
// why and ends the program with status 1, instead of the platform's abort.
// The window system's other messages of that moment pass on afterwards.
class DisplayCheck {
public:
    DisplayCheck();
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck&) = delete;
    DisplayCheck& operator=(const DisplayCheck&) = delete;

    // The line printed when no window can be opened.
    static QString noDisplayLine();
};

} // namespace gridorra
