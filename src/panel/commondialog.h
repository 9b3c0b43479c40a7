#pragma once

#include <QtGlobal>

namespace gridorra {

// The common colour dialog (CommonDialog1): Color in, ShowColor, Color out.
// Colours are 0x00BBGGRR; a cancelled dialog leaves Color as it was.
class CommonDialog {
public:
    virtual ~CommonDialog() = default;
    quint32 color() const { return m_color; }
    void setColor(quint32 color) { m_color = color; }
    // Shows the modal dialog and returns when it closes.
    virtual void showColor() = 0;

protected:
    quint32 m_color = 0;
};

} // namespace gridorra
