#include "passwords.h"

#include "printservice.h"

#include <QHash>

#ifndef Q_OS_WIN
#include <cups/cups.h>
#endif

#include <cstring>

namespace gridorra::passwords {

namespace {

struct State {
    PasswordPrompt* prompt = nullptr;
    QHash<QString, QByteArray> known; // by user@server
    QByteArray given;                 // what libcups reads, until the next call
    http_t* conversation = nullptr;
    bool gaveOnIt = false; // a password was given in this conversation
    int refused = 0;       // passwords the server refused in it
    Outcome outcome = Outcome::None;
};
State& state()
{
    static State s;
    return s;
}

#ifndef Q_OS_WIN
QString serverOf(http_t* http)
{
    char host[256] = "";
    if (http)
        httpGetHostname(http, host, sizeof host);
    return host[0] == '/' || !host[0] ? QStringLiteral("localhost") : QString::fromUtf8(host);
}

// The queue a resource ("/printers/Office", "/printers/Office.ppd") is of.
QString printerOf(const char* resource)
{
    QString path = QString::fromUtf8(resource ? resource : "");
    path = path.section(QLatin1Char('/'), 2, 2);
    if (path.endsWith(QLatin1String(".ppd")))
        path.chop(4);
    return path;
}

// libcups calls this on every "401 Unauthorized": once on a conversation
// where nothing was given, again where the server refused what was given.
const char* answer(const char*, http_t* http, const char*, const char* resource, void*)
{
    State& s = state();
    if (http != s.conversation)
        begin(http);
    const QString server = serverOf(http);
    const QString key = QString::fromUtf8(cupsUser()) + QLatin1Char('@') + server;
    const bool again = s.gaveOnIt;
    if (again) {
        s.known.remove(key);
        if (++s.refused >= tries) {
            s.outcome = Outcome::Refused;
            return nullptr;
        }
    }
    s.gaveOnIt = false;
    if (const auto known = s.known.constFind(key); known != s.known.cend()) {
        s.given = *known;
    } else {
        if (!s.prompt || !s.prompt->canAsk()) {
            s.outcome = Outcome::NobodyToAsk;
            return nullptr;
        }
        const auto login =
            s.prompt->ask(printerOf(resource), server, QString::fromUtf8(cupsUser()), again);
        // The user's time is not the service's.
        PrintService::rearm();
        if (!login || login->password.isEmpty()) {
            s.outcome = again ? Outcome::Refused : Outcome::Cancelled;
            return nullptr;
        }
        if (!login->user.isEmpty() && login->user != QString::fromUtf8(cupsUser()))
            cupsSetUser(login->user.toUtf8().constData());
        s.given = login->password.toUtf8();
        s.known.insert(QString::fromUtf8(cupsUser()) + QLatin1Char('@') + server, s.given);
    }
    s.gaveOnIt = true;
    s.outcome = Outcome::None;
    return s.given.constData();
}
#endif

} // namespace

void setPrompt(PasswordPrompt* prompt)
{
    state().prompt = prompt;
}

void begin(http_t* http)
{
#ifndef Q_OS_WIN
    // Per thread in libcups: set on the thread that talks to the service.
    cupsSetPasswordCB2(answer, nullptr);
#endif
    State& s = state();
    s.conversation = http;
    s.gaveOnIt = false;
    s.refused = 0;
    s.outcome = Outcome::None;
}

Outcome outcome()
{
    return state().outcome;
}

QString refusal()
{
    switch (state().outcome) {
    case Outcome::NobodyToAsk:
        return QStringLiteral("the printer asks for a password");
    case Outcome::Cancelled:
        return QStringLiteral("no password was given");
    case Outcome::Refused:
        return QStringLiteral("the printer refused the password");
    case Outcome::None:
        break;
    }
    return {};
}

void forget()
{
    State& s = state();
    for (QByteArray& password : s.known)
        password.fill('\0');
    s.known.clear();
    s.given.fill('\0');
    s.given.clear();
    s.conversation = nullptr;
    s.gaveOnIt = false;
    s.refused = 0;
    s.outcome = Outcome::None;
}

} // namespace gridorra::passwords
