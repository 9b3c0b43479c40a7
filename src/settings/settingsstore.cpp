#include "settingsstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace gridorra {

const QString SettingsStore::application = QStringLiteral("Marnova");
const QString SettingsStore::section = QStringLiteral("Gridorra Software");

SettingsStore::SettingsStore()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, application), m_stamp(fileStamp())
{}

QByteArray SettingsStore::fileStamp() const
{
    const QFileInfo info(m_settings.fileName());
    if (!info.exists())
        return {};
    return QByteArray::number(info.size()) + ':' +
           QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + ':' +
           QByteArray::number(info.metadataChangeTime().toMSecsSinceEpoch());
}

QString SettingsStore::read(const QString& key, const QString& defaultValue) const
{
    m_settings.beginGroup(section);
    const QVariant value = m_settings.value(key);
    m_settings.endGroup();
    if (!value.isValid())
        return defaultValue;
    // A value edited by hand with unquoted commas reads as a list: give it
    // back as the text it was.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void SettingsStore::keepPrivate()
{
    // Create the file readable by its owner only before anything is written
    // to it; later saves keep those permissions.
    const QString file = m_settings.fileName();
    if (QFileInfo::exists(file))
        return;
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile f(file);
    if (f.open(QIODevice::WriteOnly))
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void SettingsStore::write(const QString& key, const QString& text)
{
    // A text the file already holds, in a file nobody changed since this
    // store last saw it, is on disk already: saving would write the same bytes.
    m_settings.beginGroup(section);
    const QVariant stored = m_settings.value(key);
    m_settings.endGroup();
    if (stored.isValid() && stored.userType() == QMetaType::QString && stored.toString() == text &&
        !m_stamp.isEmpty() && fileStamp() == m_stamp) {
        m_lastWriteOk = true;
        return;
    }
    keepPrivate();
    m_settings.beginGroup(section);
    m_settings.setValue(key, text);
    m_settings.endGroup();
    m_settings.sync();
    m_lastWriteOk = m_settings.status() == QSettings::NoError;
    QFile::setPermissions(m_settings.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_stamp = m_lastWriteOk ? fileStamp() : QByteArray();
}

} // namespace gridorra
