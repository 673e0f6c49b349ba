#include "platform/commands/BusCommands.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QString>

namespace wystrand {

BusCommands::BusCommands(CardCommands& cards, QObject* parent) : QObject(parent), cards_(cards) {}

void BusCommands::start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    bus.registerObject(QString::fromLatin1(commandBus::path), this,
                       QDBusConnection::ExportScriptableSlots);
    bus.interface()->registerService(QString::fromLatin1(commandBus::name),
                                     QDBusConnectionInterface::QueueService,
                                     QDBusConnectionInterface::AllowReplacement);
}

bool BusCommands::Accept() {
    return cards_.answerNewest(Answer::accept);
}

bool BusCommands::Later() {
    return cards_.answerNewest(Answer::later);
}

bool BusCommands::Focus() {
    switch (cards_.takeKeyboard()) {
        case KeyboardTake::taken:
            return true;
        case KeyboardTake::noCard:
            return false;
        case KeyboardTake::unavailable:
            sendErrorReply(
                QString::fromLatin1(commandBus::keyboardUnavailable),
                QStringLiteral("the cards cannot take the keyboard on this desktop"));
            return false;
    }
    return false;
}

}  // namespace wystrand
