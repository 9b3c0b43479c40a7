#include "calibration.h"

#include "core/number.h"
#include "settingsstore.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>
#include <QUrl>

namespace gridorra {

const QString Calibrations::group = QStringLiteral("Calibration");

namespace {

// The store's file, the group of corrections open. An instance's name,
// QUEUE/INSTANCE, is a key in the queue's subgroup: Office\draft in the file.
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

// Earlier versions kept an instance's key percent-encoded: Office%2Fdraft.
QString oldKeyOf(const QString& queue)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(queue));
}

QString printerOf(const QString& key)
{
    return key.contains(QStringLiteral("%2F"), Qt::CaseInsensitive)
               ? QUrl::fromPercentEncoding(key.toLatin1())
               : key;
}

StoredCorrection parse(const QString& printer, const QString& text)
{
    StoredCorrection stored{printer, std::nullopt, {}};
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bool okAcross = false, okDown = false;
    const Correction c = parts.size() == 2
                             ? Correction{parts[0].toDouble(&okAcross), parts[1].toDouble(&okDown)}
                             : Correction();
    const auto inRange = [](double f) {
        return f >= Calibrations::lowest && f <= Calibrations::highest;
    };
    if (!okAcross || !okDown)
        stored.problem = QStringLiteral("\"%1\" is not two factors, across and down").arg(text);
    else if (!inRange(c.across) || !inRange(c.down))
        stored.problem = QStringLiteral("\"%1\" holds a factor outside %2 to %3")
                             .arg(text)
                             .arg(Calibrations::lowest)
                             .arg(Calibrations::highest);
    else
        stored.correction = c;
    return stored;
}

// A store that cannot be read has no entry that can be.
QString unreadable(const QSettings& settings)
{
    return settings.status() == QSettings::NoError
               ? QString()
               : QStringLiteral("%1 cannot be read").arg(settings.fileName());
}

} // namespace

QString describe(const Correction& c)
{
    return QStringLiteral("across \u00d7%1, down \u00d7%2")
        .arg(c.across, 0, 'f', 4)
        .arg(c.down, 0, 'f', 4);
}

StoredCorrection Calibrations::find(const QString& queue) const
{
    Group g;
    const QString base = queue.section(QLatin1Char('/'), 0, 0);
    for (const QString& printer : queue == base ? QStringList{queue} : QStringList{queue, base})
        for (const QString& key : {printer, oldKeyOf(printer)})
            if (g.settings.contains(key))
                return parse(printer, g.settings.value(key).toString());
    if (const QString problem = unreadable(g.settings); !problem.isEmpty())
        return {queue, std::nullopt, problem};
    return {};
}

namespace {

// Why a change to the store did not reach its file, or nothing.
QString unwritten(const QSettings& settings)
{
    return settings.status() == QSettings::NoError
               ? QString()
               : QStringLiteral("%1 cannot be written").arg(settings.fileName());
}

} // namespace

QString Calibrations::store(const QString& queue, const Correction& correction)
{
    Group g;
    if (const QString problem = unreadable(g.settings); !problem.isEmpty())
        return problem;
    g.settings.remove(oldKeyOf(queue));
    g.settings.setValue(queue, QStringLiteral("%1 %2")
                                   .arg(correction.across, 0, 'g', 10)
                                   .arg(correction.down, 0, 'g', 10));
    g.settings.sync();
    keepPrivate(g.settings.fileName());
    return unwritten(g.settings);
}

bool Calibrations::remove(const QString& queue, QString* problem)
{
    Group g;
    const auto failed = [problem](const QString& why) {
        if (problem)
            *problem = why;
        return false;
    };
    if (const QString why = unreadable(g.settings); !why.isEmpty())
        return failed(why);
    bool removed = false;
    for (const QString& key : {queue, oldKeyOf(queue)}) {
        if (!g.settings.contains(key))
            continue;
        // QSettings removes a key's subkeys with it: a queue's instances
        // keep theirs.
        QList<QPair<QString, QVariant>> instances;
        g.settings.beginGroup(key);
        for (const QString& sub : g.settings.allKeys())
            instances.append({key + QLatin1Char('/') + sub, g.settings.value(sub)});
        g.settings.endGroup();
        g.settings.remove(key);
        for (const auto& [name, value] : instances)
            g.settings.setValue(name, value);
        removed = true;
    }
    g.settings.sync();
    keepPrivate(g.settings.fileName());
    if (const QString why = unwritten(g.settings); !why.isEmpty())
        return failed(why);
    return removed;
}

QList<StoredCorrection> Calibrations::all() const
{
    Group g;
    QList<StoredCorrection> out;
    for (const QString& key : g.settings.allKeys())
        out << parse(printerOf(key), g.settings.value(key).toString());
    if (const QString problem = unreadable(g.settings); !problem.isEmpty())
        out << StoredCorrection{{}, std::nullopt, problem};
    return out;
}

std::optional<Measured> measuredLength(const QString& text, QString* why)
{
    const auto refuse = [why](const QString& reason) {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    static const QRegularExpression form(QStringLiteral("^\\s*(.*?)\\s*(mm|cm|in)\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto match = form.match(text);
    if (!match.hasMatch())
        return refuse(QStringLiteral("give the length measured with its unit, mm, cm or in "
                                     "(e.g. 179.3mm)"));
    const QString figure = match.captured(1);
    const std::optional<double> n = number::parse(figure);
    if (!n) {
        // The other decimal separator than the language's.
        const QChar point = QLocale().decimalPoint().at(0);
        const QChar other = point == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
        if (figure.count(other) == 1 && number::parse(QString(figure).replace(other, point)))
            return refuse(QStringLiteral("write the decimal separator as \"%1\" (%2%3)")
                              .arg(point)
                              .arg(QString(figure).replace(other, point), match.captured(2)));
        return refuse(QStringLiteral("\"%1\" is no number").arg(figure));
    }
    if (!(*n > 0))
        return refuse(QStringLiteral("a length is more than 0"));
    if (*n > 1e6)
        return refuse(QStringLiteral("no ruler is that long"));
    const QString unit = match.captured(2).toLower();
    const double perUnit = unit == QStringLiteral("mm")   ? 1.0
                           : unit == QStringLiteral("cm") ? 10.0
                                                          : 25.4;
    return Measured{*n * perUnit, unit == QStringLiteral("in")};
}

} // namespace gridorra
