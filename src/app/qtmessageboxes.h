#pragma once

#include "core/messageboxes.h"

class QWidget;

namespace gridorra {

// The message boxes the user sees: modal QMessageBoxes over the window.
class QtMessageBoxes : public MessageBoxes {
public:
    void setParentWindow(QWidget* window) { m_parent = window; }
    void show(const QString& text, const QString& title, Icon icon) override;

private:
    QWidget* m_parent = nullptr;
};

} // namespace gridorra
