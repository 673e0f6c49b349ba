#include "tools/ctl/AgentCall.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QString>
#include <chrono>
#include <string>

#include "core/panels/CardCommands.h"
#include "tools/ctl/Commands.h"
#include "tools/ctl/Options.h"

namespace wystrand::ctl {

int callAgent(const AgentCall& call, std::span<char* const> args) {
    if (const auto status = parseCommandLine(call.command, call.usage, args, {})) {
        return *status;
    }
    // The bus library expects an application object, and warns on standard error without one.
    int argc = 1;
    char name[] = "wystrand-notify-ctl";
    char* argv[] = {name, nullptr};
    // The custom types' registry made before the bus's thread, so that it is destroyed after
    // it: a message decoded on that thread as the process ends would find no types otherwise.
    qRegisterMetaType<QDBusMessage>();
    const QCoreApplication application(argc, argv);

    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(
            QString::fromLatin1(commandBus::name), QString::fromLatin1(commandBus::path),
            QString::fromLatin1(commandBus::interface), QString::fromLatin1(call.method)),
        QDBus::Block, int(std::chrono::milliseconds(kWaitLimit).count()));
    if (reply.type() == QDBusMessage::ReplyMessage) {
        if (reply.arguments().value(0).toBool()) {
            return 0;
        }
        printError(std::string(call.refused));
        return kExitFailure;
    }
    if (reply.errorName() == QLatin1String(commandBus::keyboardUnavailable)) {
        printError(reply.errorMessage().toStdString());
    } else if (reply.errorName().isEmpty() ||
               reply.errorName() == QDBusError::errorString(QDBusError::ServiceUnknown) ||
               reply.errorName() == QDBusError::errorString(QDBusError::Disconnected)) {
        printError("no agent is running in this session");
    } else {
        printError("the agent did not take the command: " + reply.errorMessage().toStdString());
    }
    return kExitFailure;
}

}  // namespace wystrand::ctl
