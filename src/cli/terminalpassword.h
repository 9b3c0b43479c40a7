#pragma once

#include "render/print/passwords.h"

namespace gridorra {

// Asks for a print server's password on the controlling terminal, as lp
// does: the prompt and the answer on /dev/tty, never echoed; an empty
// answer cancels. Without a terminal there is nobody to ask.
class TerminalPassword : public PasswordPrompt {
public:
    bool canAsk() const override;
    std::optional<Login> ask(const QString& printer, const QString& server, const QString& user,
                             bool again) override;
};

} // namespace gridorra
