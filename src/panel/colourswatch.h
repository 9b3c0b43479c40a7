#pragma once

#include <QColor>
#include <QFrame>

namespace gridorra {

// The line-colour swatch (Picture1): its background is the line colour.
class ColourSwatch : public QFrame {
    Q_OBJECT
public:
    explicit ColourSwatch(QWidget* parent = nullptr);

    // 0x00BBGGRR, or a system colour with the top bit set.
    quint32 backColor() const { return m_backColor; }
    // A value that is not a colour is refused with "Invalid property value".
    void setBackColor(qint32 value);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QColor frameColour();

    quint32 m_backColor = 0;
};

} // namespace gridorra
