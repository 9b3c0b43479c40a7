#include "userregistry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace gridorra {

QString UserRegistry::fileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Marnova/registry.ini");
}

void UserRegistry::setString(const QString& keyPath, const QString& name,
                             const QString& value) noexcept
{
    try {
        const QString file = fileName();
        QDir().mkpath(QFileInfo(file).absolutePath());
        QSettings registry(file, QSettings::IniFormat);
        QString group = keyPath;
        group.replace(QLatin1Char('\\'), QLatin1Char('/'));
        registry.beginGroup(group);
        registry.setValue(name, value);
        registry.endGroup();
        registry.sync();
    } catch (...) {
        // The registry is a courtesy to the companion printer: nothing to report.
    }
}

} // namespace gridorra
