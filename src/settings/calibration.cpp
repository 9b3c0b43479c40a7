#include "calibration.h"

#include "core/number.h"
#include "settingsstore.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QUrl>

namespace gridorra {

const QString Calibrations::group = QStringLiteral("Calibration");

namespace {

// The store's file, the group of corrections open. A queue's name may hold
// "/" (an instance), which QSettings would take for a group: keys are
// percent-encoded.
struct Group {
    Group() : settings(QSettings::NativeFormat, QSettings::UserScope, SettingsStore::application)
    {
        settings.setFallbacksEnabled(false);
        settings.beginGroup(Calibrations::group);
    }
    QSettings settings;
};

// The settings file is the user's alone, whoever made it.
void keepPrivate(const QString& file)
{
    QFile::setPermissions(file, QFile::permissions(file) &
                                    (QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                     QFileDevice::ReadUser | QFileDevice::WriteUser));
}

QString keyOf(const QString& queue)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(queue));
}

std::optional<Correction> parse(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 2)
        return std::nullopt;
    bool okAcross = false, okDown = false;
    const Correction c{parts[0].toDouble(&okAcross), parts[1].toDouble(&okDown)};
    const auto inRange = [](double f) {
        return f >= Calibrations::lowest && f <= Calibrations::highest;
    };
    if (!okAcross || !okDown || !inRange(c.across) || !inRange(c.down))
        return std::nullopt;
    return c;
}

} // namespace

std::optional<Correction> Calibrations::of(const QString& queue) const
{
    Group g;
    return parse(g.settings.value(keyOf(queue)).toString());
}

void Calibrations::store(const QString& queue, const Correction& correction)
{
    Group g;
    g.settings.setValue(keyOf(queue), QStringLiteral("%1 %2")
                                          .arg(correction.across, 0, 'g', 10)
                                          .arg(correction.down, 0, 'g', 10));
    g.settings.sync();
    keepPrivate(g.settings.fileName());
}

bool Calibrations::remove(const QString& queue)
{
    Group g;
    if (!g.settings.contains(keyOf(queue)))
        return false;
    g.settings.remove(keyOf(queue));
    g.settings.sync();
    keepPrivate(g.settings.fileName());
    return true;
}

QMap<QString, Correction> Calibrations::all() const
{
    Group g;
    QMap<QString, Correction> out;
    for (const QString& key : g.settings.childKeys())
        if (const auto c = parse(g.settings.value(key).toString()))
            out.insert(QUrl::fromPercentEncoding(key.toLatin1()), *c);
    return out;
}

std::optional<Measured> measuredLength(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(.*?)\\s*(mm|cm|in)\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const std::optional<double> n = number::parse(match.captured(1));
    if (!n || !(*n > 0) || *n > 1e6)
        return std::nullopt;
    const QString unit = match.captured(2).toLower();
    const double perUnit = unit == QStringLiteral("mm")   ? 1.0
                           : unit == QStringLiteral("cm") ? 10.0
                                                          : 25.4;
    return Measured{*n * perUnit, unit == QStringLiteral("in")};
}

} // namespace gridorra
