#pragma once

#include "core/messageboxes.h"

#include <QList>
#include <QString>

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

    QList<Box> boxes;
    // Runs while the box is "open", before it is dismissed.
    std::function<void(const Box&)> onShow;
};

} // namespace gridorra::test
