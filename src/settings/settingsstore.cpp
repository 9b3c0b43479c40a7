#include "settingsstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace gridorra {

const QString SettingsStore::application = QStringLiteral("Marnova");
const QString SettingsStore::section = QStringLiteral("Gridorra Software");

namespace {

// Takes the group's and others' rights away; never adds one.
void removeOthersRights(const QString& file)
{
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    const QFileDevice::Permissions now = QFileInfo(file).permissions();
    if (now & others)
        QFile::setPermissions(file, now & ~others);
}

} // namespace

SettingsStore::SettingsStore(Access access)
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, application), m_access(access)
{
    // The user's own file only, never the system-wide one beside it.
    m_settings.setFallbacksEnabled(false);
    const QString file = m_settings.fileName();
    if (QFileInfo::exists(file)) {
        // A store that cannot be read is left exactly as it is: this run
        // shows the defaults and writes nothing over it.
        QFile probe(file);
        m_unreadable = !probe.open(QIODevice::ReadOnly);
        if (!m_unreadable && access == Access::ReadWrite)
            removeOthersRights(file);
    }
    m_stamp = fileStamp();
}

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
    if (m_unreadable)
        return defaultValue;
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
    if (m_unreadable || m_access == Access::ReadOnly) {
        m_lastWriteOk = false;
        return;
    }
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
    removeOthersRights(m_settings.fileName());
    m_stamp = m_lastWriteOk ? fileStamp() : QByteArray();
}

} // namespace gridorra
