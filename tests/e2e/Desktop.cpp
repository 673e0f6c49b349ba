#include "e2e/Desktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QString>
#include <QStringList>
#include <chrono>

namespace wystrand::test {

Desktop::Desktop() = default;

Desktop::~Desktop() {
    session_.reset();
    system_.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("e2e-session"));
    QDBusConnection::disconnectFromBus(QStringLiteral("e2e-system"));
}

bool Desktop::start() {
    display_ = xvfb_.start();
    if (display_.empty() || !buses_.start()) {
        return false;
    }
    session_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
        QString::fromStdString(buses_.sessionAddress()), QStringLiteral("e2e-session")));
    system_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
        QString::fromStdString(buses_.systemAddress()), QStringLiteral("e2e-system")));
    return session_->isConnected() && system_->isConnected();
}

EnvChanges Desktop::agentEnvironment() const {
    return {
        {"DISPLAY", display_},
        {"DBUS_SESSION_BUS_ADDRESS", buses_.sessionAddress()},
        {"DBUS_SYSTEM_BUS_ADDRESS", buses_.systemAddress()},
        {"XDG_SESSION_ID", std::string(kSessionId)},
        {"WAYLAND_DISPLAY", std::nullopt},
        {"QT_QPA_PLATFORM", std::nullopt},
    };
}

QDBusConnection& Desktop::connection(Bus bus) {
    return bus == Bus::session ? *session_ : *system_;
}

void Desktop::send(Bus bus, const QDBusMessage& message) {
    connection(bus).send(message);
}

bool Desktop::syncWith(Bus bus, pid_t pid) {
    QDBusConnection& conn = connection(bus);
    QString name;
    const bool found = eventually(
        [&] {
            const QDBusReply<QStringList> names = conn.interface()->registeredServiceNames();
            for (const QString& candidate : names.value()) {
                if (candidate.startsWith(QLatin1Char(':')) &&
                    conn.interface()->servicePid(candidate).value() == static_cast<uint>(pid)) {
                    name = candidate;
                    return true;
                }
            }
            return false;
        },
        std::chrono::seconds(10));
    if (!found) {
        return false;
    }
    // Any answer will do, a refusal included: it comes after the earlier messages.
    const QDBusMessage introspect = QDBusMessage::createMethodCall(
        name, QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.Introspectable"),
        QStringLiteral("Introspect"));
    const QDBusMessage reply = conn.call(introspect, QDBus::Block, 10000);
    return reply.type() == QDBusMessage::ReplyMessage || reply.type() == QDBusMessage::ErrorMessage;
}

}  // namespace wystrand::test
