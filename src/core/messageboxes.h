#pragma once

#include <QString>

namespace gridorra {

// Modal message boxes with a single OK button. Widgets never open a
// QMessageBox themselves: they go through this seam, which tests answer.
class MessageBoxes {
public:
    enum class Icon { None, Warning };

    virtual ~MessageBoxes() = default;

    // Shows the box and returns once the user has dismissed it. The text is
    // passed character for character; CR LF and lone CR are line breaks.
    virtual void show(const QString& text, const QString& title, Icon icon) = 0;
};

} // namespace gridorra
