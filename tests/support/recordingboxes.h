#pragma once

#include "core/messageboxes.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace gridorra::test {

// Answers every message box at once and remembers what it said.
class RecordingBoxes : public MessageBoxes {
public:
    struct Box {
        QString text;
        QString title;
        Icon icon;
    };

    void show(const QString& text, const QString& title, Icon icon) override
    {
        boxes.append({text, title, icon});
        if (onShow)
            onShow(boxes.last());
    }

    // What the boxes said, in order: the label of each error report, and
    // the whole text of any other box.
    QStringList said() const
    {
        QStringList out;
        for (const Box& box : boxes) {
            if (box.title != QStringLiteral("Application Error")) {
                out << box.text;
                continue;
            }
            const qsizetype at = box.text.indexOf(QStringLiteral("at line ")) + 8;
            out << box.text.mid(at, box.text.indexOf(QLatin1Char('\r'), at) - at);
        }
        return out;
    }

    QList<Box> boxes;
    // Runs while the box is "open", before it is dismissed.
    std::function<void(const Box&)> onShow;
};

} // namespace gridorra::test
