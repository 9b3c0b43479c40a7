#pragma once

#include "app/platform.h"
#include "app/services.h"
#include "panel/commondialog.h"
#include "settings/settingsstore.h"
#include "settings/userregistry.h"
#include "support/recordingboxes.h"
#include "support/scriptedprinters.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace gridorra::test {

// Points this test process's per-user configuration at a folder of its own.
// Make it before the first settings store of the process.
class IsolatedConfig {
public:
    IsolatedConfig()
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", systemPath().toLocal8Bit());
        qputenv("HOME", m_dir.path().toLocal8Bit());
    }
    QString path() const { return m_dir.path(); }
    // Stands for the system-wide configuration folder.
    QString systemPath() const { return m_dir.filePath(QStringLiteral("system")); }
    QString settingsFile() const { return m_dir.filePath(QStringLiteral("Marnova.conf")); }
    // Starts the next test on an empty store.
    void clear() const
    {
        QFile::remove(settingsFile());
        QDir(m_dir.filePath(QStringLiteral("Marnova"))).removeRecursively();
        QDir(systemPath()).removeRecursively();
    }
    QByteArray settingsText() const
    {
        QFile f(settingsFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
};

class ScriptedRandom : public RandomDraw {
public:
    void randomize(float seed) override { seeds << seed; }
    float next() override { return value; }
    float value = 0.5f;
    QList<float> seeds;
};

class RecordingBrowser : public Browser {
public:
    void open(const QString& address) override
    {
        if (fail)
            throw Failure(fail::fileNotFound);
        opened << address;
    }
    QStringList opened;
    bool fail = false;
};

// The colour dialog, answered by the test: it picks `answer`, or cancels
// when there is none.
class ScriptedColourDialog : public CommonDialog {
public:
    void showColor() override
    {
        shownWith << m_color;
        if (answer)
            m_color = *answer;
    }
    std::optional<quint32> answer;
    QList<quint32> shownWith;
};

// The text the settings store holds under a key, or "<absent>".
inline QString storedText(const char* key)
{
    return SettingsStore().read(QString::fromLatin1(key), QStringLiteral("<absent>"));
}

// The seams a test window needs, all answered by the test, with the real
// settings store on the isolated configuration folder.
struct TestServices {
    RecordingBoxes boxes;
    std::unique_ptr<SettingsStore> settings = std::make_unique<SettingsStore>();
    ScriptedPrinters printers;
    ScriptedRandom random;
    RecordingBrowser browser;
    UserRegistry registry;
    ScriptedColourDialog colourDialog;
    QTemporaryDir programFolder;

    // The services with another set of printers, e.g. the real ones.
    Services services(Printers& with)
    {
        return {boxes,   *settings, with,         random,
                browser, registry,  colourDialog, programFolder.path()};
    }
    Services services() { return services(printers); }
};

} // namespace gridorra::test
