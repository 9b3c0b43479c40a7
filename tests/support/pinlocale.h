#pragma once

#include <QLocale>

namespace gridorra::test {

// Tests read and write numbers the way an English (United States) user does.
inline void pinLocale()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

} // namespace gridorra::test
