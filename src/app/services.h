#pragma once

#include <QString>

namespace gridorra {

class Browser;
class CommonDialog;
class MessageBoxes;
class Printers;
class RandomDraw;
class SettingsStore;
class UserRegistry;

// The platform services the main window uses; the program passes the real
// ones, tests their own.
struct Services {
    MessageBoxes& boxes;
    SettingsStore& settings;
    Printers& printers;
    RandomDraw& random;
    Browser& browser;
    UserRegistry& registry;
    CommonDialog& colourDialog;
    QString programFolder; // the folder of the program file
};

} // namespace gridorra
