#include "paperchoice.h"

#include "commandline.h"
#include "core/failure.h"
#include "core/number.h"
#include "render/gridwindow.h"
#include "render/markmoves.h"
#include "settings/keys.h"
#include "settings/settingsstore.h"

#include <QLocale>
#include <QPageSize>

#include <algorithm>
#include <iterator>
#include <type_traits>

namespace gridorra {

PaperChoice PaperChoice::stored(const SettingsStore& store)
{
    PaperChoice choice;
    choice.kind = store.read(keys::name(keys::paper), keys::defaultOf(keys::paper));
    for (const QString& pair : store.read(keys::name(keys::paperOptions), QString())
                                   .split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = pair.section(QLatin1Char('='), 0, 0).trimmed();
        if (!name.isEmpty())
            choice.options.insert(name, pair.section(QLatin1Char('='), 1));
    }
    choice.paperSize = store.read(keys::name(keys::paperSize), QString());
    return choice;
}

bool PaperChoice::store(SettingsStore& store) const
{
    QStringList pairs;
    for (auto it = options.cbegin(); it != options.cend(); ++it)
        if (!it.value().trimmed().isEmpty())
            pairs << it.key() + QLatin1Char('=') + it.value().trimmed();
    bool written = true;
    for (const auto& [key, text] :
         {std::pair{keys::paper, isGrid() ? QStringLiteral("grid") : kind},
          std::pair{keys::paperOptions, pairs.join(QLatin1Char(';'))},
          std::pair{keys::paperSize, paperSize}}) {
        store.write(keys::name(key), text);
        written = written && store.lastWriteSucceeded();
    }
    return written;
}

namespace {

// The choice as the command line reads it, on an export it never writes.
CommandLine readAsExport(const PaperChoice& choice)
{
    return readCommandLine(QStringList{QStringLiteral("gridorra"), QStringLiteral("--export"),
                                       QStringLiteral("sheet.pdf")} +
                               choice.arguments(),
                           true);
}

} // namespace

QSizeF PaperChoice::sheetArea() const
{
    QPageSize page(QLocale().measurementSystem() == QLocale::MetricSystem ? QPageSize::A4
                                                                          : QPageSize::Letter);
    for (int id = 0; id <= int(QPageSize::LastPageSize); ++id)
        if (!paperSize.isEmpty() && QPageSize::key(QPageSize::PageSizeId(id)) == paperSize)
            page = QPageSize(QPageSize::PageSizeId(id));
    const QSizeF points = page.size(QPageSize::Point);
    const QSizeF area((points.width() - 24) * 20, (points.height() - 24) * 20);
    return options.value(QStringLiteral("orientation")).trimmed() == QStringLiteral("landscape")
               ? area.transposed()
               : area;
}

QSizeF PaperChoice::previewArea(const QSizeF& shown) const
{
    const QSizeF sheet = sheetArea();
    if (kind == QStringLiteral("polar") || kind == QStringLiteral("semilog") ||
        kind == QStringLiteral("loglog"))
        return sheet;
    return sheet.boundedTo(shown * 4);
}

QStringList PaperChoice::arguments() const
{
    QStringList args{QStringLiteral("--pattern"), isGrid() ? QStringLiteral("grid") : kind};
    for (auto it = options.cbegin(); it != options.cend(); ++it) {
        if (it.value().trimmed().isEmpty())
            continue;
        // A switch (--centre, --labels) is kept as "1", and given without
        // a value.
        if (it.key() == QStringLiteral("centre") || it.key() == QStringLiteral("labels")) {
            if (it.value().trimmed() == QStringLiteral("1"))
                args << QStringLiteral("--") + it.key();
            continue;
        }
        args << QStringLiteral("--") + it.key() << it.value().trimmed();
    }
    return args;
}

QString PaperChoice::refusal(QString* option) const
{
    const CommandLine line = readAsExport(*this);
    if (option) {
        option->clear();
        for (auto it = options.cbegin(); it != options.cend(); ++it)
            if (line.mistake.startsWith(QStringLiteral("--") + it.key() + QLatin1Char(' ')) ||
                line.mistake.startsWith(QStringLiteral("--") + it.key() + QLatin1Char(':')))
                *option = it.key();
    }
    return line.mistake;
}

bool PaperChoice::applyTo(SheetRequest& request, QString* why) const
{
    if (isGrid() || !request.pattern.name.isEmpty() || request.heavyEvery ||
        request.calibrationSheet)
        return true;
    const CommandLine line = readAsExport(*this);
    if (!line.sheet) {
        if (why)
            *why = line.mistake;
        return false;
    }
    request.pattern = line.sheet->pattern;
    return true;
}

namespace paper {

namespace {

// The fields as the command line names them.
constexpr std::pair<const char*, int> fieldOptions[] = {{"lines-down", field::linesDown},
                                                        {"lines-across", field::linesAcross},
                                                        {"wide-across", field::wideAcross},
                                                        {"wide-down", field::wideDown},
                                                        {"thickness", field::thickness}};

} // namespace

QList<int> fieldsOf(const QString& kind)
{
    const QStringList options = patterns::optionsOf(kind.isEmpty() ? QStringLiteral("grid") : kind);
    QList<int> fields;
    for (const auto& [option, number] : fieldOptions)
        if (options.contains(QLatin1String(option)))
            fields << number;
    fields << field::copies;
    return fields;
}

QStringList ownOptionsOf(const QString& kind)
{
    // The window's grid is the window's: its options are its fields.
    if (kind.isEmpty() || kind == QStringLiteral("grid"))
        return {};
    QStringList own;
    for (const QString& option : patterns::optionsOf(kind))
        if (std::none_of(std::begin(fieldOptions), std::end(fieldOptions),
                         [&](const auto& f) { return option == QLatin1String(f.first); }) &&
            option != QStringLiteral("heavy-every") && option != QStringLiteral("exact-lengths") &&
            option != QStringLiteral("heavy-colour"))
            own << option;
    return own;
}

PatternSheet kindMarks(PatternParameters p, const GridWindow& window, const QSizeF& area, int dpi,
                       const QList<int>& given)
{
    p.unit = window.inchesSelected() ? 1440.0 : 1440.0 / 2.54;
    QString refusal;
    const auto fromField = [&](int number, const char* option, auto& into) {
        const QString text = window.fieldText(number);
        const QString as =
            QStringLiteral("--%1 %2%3: ")
                .arg(QLatin1String(option), text,
                     given.contains(number) ? QString() : QStringLiteral(" (stored)"));
        try {
            if constexpr (std::is_same_v<std::decay_t<decltype(into)>, double>) {
                const std::optional<double> n = number::parse(text);
                if (!n)
                    throw Failure(fail::typeMismatch);
                into = *n;
            } else {
                into = number::toInt16(text);
            }
        } catch (const Failure& failure) {
            if (refusal.isEmpty())
                refusal = as + failure.description();
        }
    };
    fromField(field::linesDown, "lines-down", p.linesDown);
    fromField(field::linesAcross, "lines-across", p.linesAcross);
    fromField(field::wideAcross, "wide-across", p.wideAcross);
    fromField(field::wideDown, "wide-down", p.wideDown);
    fromField(field::thickness, "thickness", p.thickness);
    if (!refusal.isEmpty())
        return {{}, refusal};
    return patterns::make(p, {area.width(), area.height(), dpi});
}

PatternSheet previewMarks(const PaperChoice& chosen, const PatternParameters& p,
                          const GridWindow& window, const QSizeF& shown, int dpi)
{
    const QSizeF area = chosen.previewArea(shown);
    PatternSheet sheet = kindMarks(p, window, area, dpi);
    if (!p.centre || !sheet.refusal.isEmpty())
        return sheet;
    // How far whole cells centred move the sheet is worked out on the whole
    // sheet (a 1 mm dot grid is some 60,000 dots on A4, ten times what the
    // preview lays out), and kept for as long as nothing it depends on
    // changes: a preview is drawn again at every exposure.
    const QSizeF whole = chosen.sheetArea();
    QStringList key = chosen.arguments();
    key << chosen.paperSize << QString::number(dpi) << QString::number(window.inchesSelected());
    for (const int field : {field::linesDown, field::linesAcross, field::wideAcross,
                            field::wideDown, field::thickness})
        key << window.fieldText(field);
    static QStringList keptFor;
    static QPointF kept;
    if (key != keptFor) {
        kept = area == whole
                   ? markmoves::centring(sheet.marks, whole, dpi)
                   : markmoves::centring(kindMarks(p, window, whole, dpi).marks, whole, dpi);
        keptFor = key;
    }
    markmoves::move(sheet.marks, kept);
    return sheet;
}

} // namespace paper
} // namespace gridorra
