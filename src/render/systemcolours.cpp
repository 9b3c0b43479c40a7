#include "systemcolours.h"

#include "core/colour.h"

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

} // namespace gridorra
