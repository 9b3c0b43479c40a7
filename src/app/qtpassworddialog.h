#pragma once

#include "render/print/passwords.h"

class QWidget;

namespace gridorra {

// The password a print server asks for, asked in a modal dialog over the
// window: the user's name filled in, the password hidden.
class QtPasswordDialog : public PasswordPrompt {
public:
    void setParentWindow(QWidget* window) { m_parent = window; }
    std::optional<Login> ask(const QString& printer, const QString& server, const QString& user,
                             bool again) override;

private:
    QWidget* m_parent = nullptr;
};

} // namespace gridorra
