#pragma once

#include <QString>
#include <QWidget>

namespace gridorra {

// Tells assistive technology a short text whatever has the focus: a
// notification (its role on the accessibility bus) that shows, and so is
// spoken, each time something is announced. It draws nothing and takes no
// input: no pixel of the window changes.
class Announcer : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);

    void announce(const QString& text);
    // The last text announced.
    const QString& text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent*) override {}

private:
    QString m_text;
};

} // namespace gridorra
