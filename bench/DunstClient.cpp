#include "bench/DunstClient.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace wystrand::bench {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

}  // namespace

DunstClient::DunstClient(const QString& busAddress)
    : connection_(QDBusConnection::connectToBus(busAddress, QStringLiteral("bench-notify"))) {}

DunstClient::~DunstClient() {
    QDBusConnection::disconnectFromBus(QStringLiteral("bench-notify"));
}

bool DunstClient::connected() const {
    return connection_.isConnected();
}

bool DunstClient::serverPresent() const {
    return connection_.interface() != nullptr &&
           connection_.interface()->isServiceRegistered(kService).value();
}

QString DunstClient::serverName() const {
    const QDBusMessage reply = connection_.call(call(QStringLiteral("GetServerInformation")));
    const QList<QVariant> args = reply.arguments();
    if (args.size() < 3) {
        return {};
    }
    return args[0].toString() + u' ' + args[2].toString();
}

QDBusPendingCall DunstClient::notify(const QString& summary, const QString& body) {
    QDBusMessage message = call(QStringLiteral("Notify"));
    message << QStringLiteral("wystrand-bench") << 0u << QString() << summary << body
            << QStringList() << QVariantMap() << 0;
    return connection_.asyncCall(message);
}

std::optional<std::uint32_t> DunstClient::notificationId(QDBusPendingCall& pending) {
    QDBusPendingReply<std::uint32_t> reply(pending);
    reply.waitForFinished();
    if (reply.isError()) {
        return std::nullopt;
    }
    return reply.value();
}

void DunstClient::close(std::uint32_t id) {
    QDBusMessage message = call(QStringLiteral("CloseNotification"));
    message << id;
    connection_.call(message);
}

}  // namespace wystrand::bench
