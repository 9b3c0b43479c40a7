#pragma once

#include <QSettings>
#include <QString>

namespace gridorra {

// The per-user settings store: every parameter but the printer, as text,
// under the application "Marnova" and the section "Gridorra Software".
// On Linux this is $XDG_CONFIG_HOME/Marnova.conf.
//
// Every write reaches the file before it returns, so nothing is lost when the
// program is killed. A store that cannot be written never fails the caller:
// the writers do not look at the result. The file is the user's alone: its
// group and others lose their rights, and none is ever added. A file that
// cannot be read gives the defaults and is never written over.
class SettingsStore {
public:
    static const QString application;
    static const QString section;

    enum class Access { ReadWrite, ReadOnly };
    // A read-only store reads and never touches the file, not even its rights.
    explicit SettingsStore(Access access = Access::ReadWrite);

    // The stored text of the key, or the default when the key is absent.
    // A key that holds the empty text gives the empty text.
    QString read(const QString& key, const QString& defaultValue) const;
    void write(const QString& key, const QString& text);

    // The file behind the store.
    QString fileName() const { return m_settings.fileName(); }
    // Whether the last write reached the file.
    bool lastWriteSucceeded() const { return m_lastWriteOk; }

private:
    void keepPrivate();
    // What the file looked like after this store last read or wrote it.
    QByteArray fileStamp() const;

    mutable QSettings m_settings;
    bool m_lastWriteOk = true;
    bool m_unreadable = false;
    Access m_access;
    QByteArray m_stamp;
};

} // namespace gridorra
