#pragma once

#include <QString>
#include <QtGlobal>

namespace gridorra {

// The skinning component. A skin file holds a Qt style sheet; applying the
// skin to a window sets that style sheet on it. The window drives it with
// six calls, in this order: loadSkin, options, setOptions, setApplyColours,
// setApplyMetrics, applyWindow.
class SkinFramework {
public:
    // Reads the skin file; a file that cannot be read fails the call.
    void loadSkin(const QString& path, const QString& iniName);
    qint32 options() const { return m_options; }
    void setOptions(qint32 flags) { m_options = flags; }
    void setApplyColours(bool on) { m_applyColours = on; }
    void setApplyMetrics(bool on) { m_applyMetrics = on; }
    // Gives the window (by its native handle) the loaded skin.
    void applyWindow(qint32 windowHandle);

    const QString& styleSheet() const { return m_styleSheet; }

private:
    QString m_styleSheet;
    bool m_loaded = false;
    qint32 m_options = 0;
    bool m_applyColours = false;
    bool m_applyMetrics = false;
};

} // namespace gridorra
