#include "systemcolours.h"

#include "core/colour.h"

#include <cmath>

namespace gridorra {

namespace {

QColor systemColour(int index, const QPalette& p)
{
    switch (index) {
    case 5: // window background
        return p.color(QPalette::Base);
    case 7: // menu text
    case 8: // window text
    case 9: // caption text
        return p.color(QPalette::WindowText);
    case 13: // highlight
        return p.color(QPalette::Highlight);
    case 14: // highlighted text
        return p.color(QPalette::HighlightedText);
    case 15: // button face
        return p.color(QPalette::Button);
    case 16: // button shadow
        return p.color(QPalette::Dark);
    case 17: // grey text
        return p.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return p.color(QPalette::ButtonText);
    case 20: // button highlight
        return p.color(QPalette::Light);
    case 21: // 3-D dark shadow
        return p.color(QPalette::Shadow);
    case 22: // 3-D light
        return p.color(QPalette::Midlight);
    case 23: // tooltip text
        return p.color(QPalette::ToolTipText);
    case 24: // tooltip background
        return p.color(QPalette::ToolTipBase);
    default: // desktop, captions, borders, menus, scroll bars: the window's face
        return p.color(QPalette::Window);
    }
}

} // namespace

QColor toQColor(quint32 value, const QPalette& palette)
{
    if (colour::isSystem(value))
        return systemColour(colour::systemIndex(value), palette);
    return QColor(colour::red(value), colour::green(value), colour::blue(value));
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor blackOrWhiteAgainst(const QColor& colour)
{
    return contrastRatio(Qt::white, colour) >= contrastRatio(Qt::black, colour) ? QColor(Qt::white)
                                                                                : QColor(Qt::black);
}

QColor readableOn(const QColor& background, const QColor& preferred, double ratio)
{
    return contrastRatio(preferred, background) >= ratio ? preferred
                                                         : blackOrWhiteAgainst(background);
}

QPalette withBackground(QPalette p, QPalette::ColorRole role, const QColor& background,
                        QPalette::ColorRole text)
{
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, role, background);
        p.setColor(group, text, readableOn(background, p.color(group, text)));
    }
    p.setColor(QPalette::Disabled, role, background);
    p.setColor(QPalette::Disabled, text,
               readableOn(background, p.color(QPalette::Disabled, text), 3.0));
    return p;
}

} // namespace gridorra
