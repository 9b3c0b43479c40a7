#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace gridorra {

// Reads the program's command line before any window exists, so that it
// answers without a display. It answers --help, --help-all and --version
// itself, and a mistake with one line on standard error (status 2). Qt's
// own options (-style, -platform, -display, ...) are accepted and left in
// place for the application object, which takes them.
//
// Returns the exit status when the program is to end now.
std::optional<int> readCommandLine(const QStringList& arguments);

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
