#pragma once

#include <QString>

namespace gridorra::product {

// The product name: the main window's caption, and the text the
// application title is cut from.
inline const QString name = QStringLiteral("Gridorra Software");

// Where the error report asks users to send a screenshot.
inline const QString supportAddress = QStringLiteral("support@gridorra.example");

// The maker's home page, opened now and then at start-up.
inline const QString homePage = QStringLiteral("https://www.gridorra.example/");

// The program's id on the desktop: the name of its desktop entry (without
// ".desktop"), by which a Wayland dock matches the running window to it.
inline const QString desktopId = QStringLiteral("example.gridorra.Gridorra");

} // namespace gridorra::product
