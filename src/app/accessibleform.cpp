#include "accessibleform.h"

#include "announcer.h"

#include "panel/colourswatch.h"
#include "progressbar.h"
#include "render/previewbox.h"
#include "render/systemcolours.h"

#include <QAccessibleWidget>

namespace gridorra::accessible {

namespace {

// Picture1: a button named "Color"; its description is the line colour, and
// pressing it opens the colour dialog as Space and a click do.
class SwatchInterface : public QAccessibleWidget {
public:
    explicit SwatchInterface(ColourSwatch* swatch) : QAccessibleWidget(swatch, QAccessible::Button)
    {
        addControllingSignal(QStringLiteral("clicked()"));
    }
    ColourSwatch* swatch() const { return static_cast<ColourSwatch*>(object()); }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return QStringLiteral("Color");
        case QAccessible::Description:
            return QStringLiteral("Line colour: ") +
                   colourInWords(toQColor(swatch()->backColor(), swatch()->palette()));
        default:
            return QAccessibleWidget::text(t);
        }
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& action) override
    {
        // Queued: the dialog it opens is modal, and the caller waits for no one.
        if (action == pressAction())
            QMetaObject::invokeMethod(swatch(), &ColourSwatch::clicked, Qt::QueuedConnection);
    }
};

// Picture2: an image, named after its frame; its description tells what
// the last preview shows.
class PreviewInterface : public QAccessibleWidget {
public:
    explicit PreviewInterface(QWidget* box) : QAccessibleWidget(box, QAccessible::Graphic) {}
};

// ProgressBar1: a progress bar with its text and its value as text. It has
// no value interface: over AT-SPI that would bring "Increase" and
// "Decrease" actions that a bar only shown cannot take.
class ProgressInterface : public QAccessibleWidget {
public:
    explicit ProgressInterface(ProgressBar* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar)
    {}
    ProgressBar* bar() const { return static_cast<ProgressBar*>(object()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return bar()->text();
        if (t == QAccessible::Value)
            return QString::number(bar()->value()) + QLatin1Char('%');
        return QAccessibleWidget::text(t);
    }
};

// The announcer is a notification whose name is what it announces.
class AnnouncerInterface : public QAccessibleWidget {
public:
    explicit AnnouncerInterface(Announcer* announcer)
        : QAccessibleWidget(announcer, QAccessible::Notification)
    {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return static_cast<Announcer*>(object())->text();
        return QAccessibleWidget::text(t);
    }
};

// Combo1 keeps Qt's own interface: the chosen printer is its name and its
// value, its items are its children, and its frame ("Select Printer")
// labels it through a labelled-by relation, so that a screen reader speaks
// both on focus. A change of printer is told by the window's announcer.
QAccessibleInterface* factory(const QString&, QObject* object)
{
    if (auto* announcer = qobject_cast<Announcer*>(object))
        return new AnnouncerInterface(announcer);
    if (auto* swatch = qobject_cast<ColourSwatch*>(object))
        return new SwatchInterface(swatch);
    if (auto* box = qobject_cast<PreviewBox*>(object))
        return new PreviewInterface(box);
    if (auto* bar = qobject_cast<ProgressBar*>(object))
        return new ProgressInterface(bar);
    return nullptr;
}

} // namespace

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

QString colourInWords(const QColor& colour)
{
    const QString hex = colour.name(QColor::HexRgb);
    // The plain names of the colours a user may pick by name.
    static const char* const names[] = {"black", "white",   "red",  "lime",   "blue",   "yellow",
                                        "cyan",  "magenta", "gray", "silver", "maroon", "olive",
                                        "green", "purple",  "teal", "navy",   "orange"};
    for (const char* name : names)
        if (QColor(QLatin1String(name)) == colour.toRgb())
            return QString::fromLatin1(name) + QStringLiteral(", ") + hex;
    return hex;
}

} // namespace gridorra::accessible
