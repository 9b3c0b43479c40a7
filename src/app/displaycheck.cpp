#include "displaycheck.h"

#include <QCoreApplication>
#include <QList>
#include <QLoggingCategory>

#include <cstdio>
#include <cstdlib>

namespace gridorra {

namespace {

QtMessageHandler previousHandler = nullptr;
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<HeldMessage>* heldMessages = nullptr;

void whileStarting(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        const QByteArray line = (DisplayCheck::noDisplayLine() + QLatin1Char('\n')).toLocal8Bit();
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    const QByteArray category(context.category ? context.category : "");
    if (heldMessages && category.startsWith("qt.qpa")) {
        heldMessages->append({type, category, text});
        return;
    }
    previousHandler(type, context, text);
}

} // namespace

DisplayCheck::DisplayCheck()
{
    heldMessages = new QList<HeldMessage>;
    previousHandler = qInstallMessageHandler(whileStarting);
}

DisplayCheck::~DisplayCheck()
{
    qInstallMessageHandler(previousHandler);
    const QList<HeldMessage> held = std::move(*heldMessages);
    delete heldMessages;
    heldMessages = nullptr;
    for (const HeldMessage& m : held) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        previousHandler(m.type, context, m.text);
    }
}

QString DisplayCheck::noDisplayLine()
{
    const QString name = QCoreApplication::applicationName();
    const QString advice =
        QStringLiteral("it needs a desktop session, or an X server such as xvfb-run (xvfb-run %1)")
            .arg(name);
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty() && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return QStringLiteral("%1: no display to open the window on (neither DISPLAY nor "
                              "WAYLAND_DISPLAY is set): %2")
            .arg(name, advice);
    return QStringLiteral("%1: cannot open the window on the display%2: %3")
        .arg(name, display.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(display), advice);
}

} // namespace gridorra
