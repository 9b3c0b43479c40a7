#pragma once

#include "panel/commondialog.h"

class QWidget;

namespace gridorra {

// The colour dialog the user sees: a modal QColorDialog over the window.
class QtColourDialog : public CommonDialog {
public:
    void setParentWindow(QWidget* window) { m_parent = window; }
    void showColor() override;

private:
    QWidget* m_parent = nullptr;
};

} // namespace gridorra
