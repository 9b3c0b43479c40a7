#pragma once

#include <QString>

namespace gridorra {

// The per-user registry, where the companion PDF printer looks for its
// settings. On Linux it is the INI file $XDG_CONFIG_HOME/Marnova/registry.ini;
// a key path such as "Software\Marnova PDF Writer" is a group of that file.
class UserRegistry {
public:
    // The file behind the registry.
    static QString fileName();

    // Creates or opens the key, sets the string value and closes the key.
    // Failures pass silently: the caller does not look at the result.
    void setString(const QString& keyPath, const QString& name, const QString& value) noexcept;
};

} // namespace gridorra
