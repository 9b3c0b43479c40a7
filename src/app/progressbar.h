#pragma once

#include <QString>
#include <QWidget>

namespace gridorra {

// The progress bar: a floating-point value within 0..100, shown as the filled
// share of the bar, and a text shown on the bar.
class ProgressBar : public QWidget {
    Q_OBJECT
public:
    static constexpr double minimum = 0.0;
    static constexpr double maximum = 100.0;

    explicit ProgressBar(QWidget* parent = nullptr);

    double value() const { return m_value; }
    // A value outside the range is refused with "Invalid property value".
    void setValue(double value);

    const QString& text() const { return m_text; }
    void setText(const QString& text);

signals:
    void valueChanged(double value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_value = 0.0;
    QString m_text;
};

} // namespace gridorra
