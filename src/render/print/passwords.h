#pragma once

#include <QString>

#include <optional>

typedef struct _http_s http_t;

namespace gridorra {

// Who asks the user for a print server's password: a dialog over the
// window, the terminal on the command line.
class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;

    struct Login {
        QString user;
        QString password;
    };
    // Whether there is anyone to ask (a command line without a terminal has
    // nobody).
    virtual bool canAsk() const { return true; }
    // Asks for the password `user` prints with on `printer` of `server`,
    // the user's name offered to change; `again` once the server refused
    // the last one given. Nothing where the user cancelled.
    virtual std::optional<Login> ask(const QString& printer, const QString& server,
                                     const QString& user, bool again) = 0;
};

// The passwords print servers ask for. libcups asks this program, never its
// own terminal prompt; the program asks the user once per server and user
// name, and gives the answer again from memory for the rest of the run. It
// is never written anywhere. A password the server refuses is asked again,
// at most `tries` times in all in a conversation.
namespace passwords {

inline constexpr int tries = 3;

// The prompt from now on; nullptr: nobody to ask.
void setPrompt(PasswordPrompt* prompt);
// A conversation begins on `http`: nothing was given on it yet.
void begin(http_t* http);

enum class Outcome {
    None,        // no password was needed, or the one given was taken
    NobodyToAsk, // the server asks for one, and there is nobody to ask
    Cancelled,   // the user cancelled the prompt
    Refused,     // the server refused every password given
};
// How the last request for a password in this conversation ended.
Outcome outcome();
// The outcome in the user's words; empty for None.
QString refusal();
// Forgets every password given (for tests: a new run).
void forget();

} // namespace passwords

} // namespace gridorra
