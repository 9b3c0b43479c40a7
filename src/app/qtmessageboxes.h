#pragma once

#include "core/messageboxes.h"

#include <memory>

class QMessageBox;
class QWidget;

namespace gridorra {

// The message boxes the user sees: modal QMessageBoxes over the window.
class QtMessageBoxes : public MessageBoxes {
public:
    void setParentWindow(QWidget* window) { m_parent = window; }
    void show(const QString& text, const QString& title, Icon icon) override;
    // The box as it is shown: the title, the text with its line breaks, OK.
    static std::unique_ptr<QMessageBox> build(const QString& text, const QString& title, Icon icon,
                                              QWidget* parent = nullptr);

private:
    QWidget* m_parent = nullptr;
};

} // namespace gridorra
