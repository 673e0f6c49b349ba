#include "platform/context/BusFlag.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QMetaType>
#include <utility>

namespace wystrand {

namespace {

const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

}  // namespace

BusFlag::BusFlag(Spec spec, QObject* parent) : ContextSource(parent), spec_(std::move(spec)) {}

void BusFlag::start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        report(false);
        return;
    }
    if (spec_.signal.isEmpty()) {
        bus.connect(spec_.service, spec_.path, kProperties, QStringLiteral("PropertiesChanged"),
                    this, SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    } else {
        bus.connect(spec_.service, spec_.path, spec_.interface, spec_.signal, this,
                    SLOT(signalled(QDBusMessage)));
    }
    auto* watcher =
        new QDBusServiceWatcher(spec_.service, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    // A new owner may take the name over directly, with no moment without one.
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                if (owner.isEmpty()) {
                    vanished();
                } else {
                    read();
                }
            });
    read();
}

void BusFlag::read() {
    const bool property = spec_.signal.isEmpty();
    QDBusMessage call;
    if (property) {
        call = QDBusMessage::createMethodCall(spec_.service, spec_.path, kProperties,
                                              QStringLiteral("Get"));
        call << spec_.interface << spec_.member;
    } else {
        call = QDBusMessage::createMethodCall(spec_.service, spec_.path, spec_.interface,
                                              spec_.member);
    }
    // Asked of a service that runs, never one started for the asking: a notification daemon
    // activated to read its do-not-disturb flag would then show every other program's
    // notifications. The watcher hears one that starts later.
    call.setAutoStartService(false);
    auto* pending =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, property, heard = heard_](QDBusPendingCallWatcher* pending) {
                pending->deleteLater();
                if (heard != heard_) {
                    return;
                }
                const QDBusMessage reply = pending->reply();
                QVariant value;
                if (reply.type() == QDBusMessage::ReplyMessage) {
                    value = reply.arguments().value(0);
                }
                // Get wraps the value in a variant; anything else in its place is no answer.
                if (property) {
                    value = value.metaType() == QMetaType::fromType<QDBusVariant>()
                                ? value.value<QDBusVariant>().variant()
                                : QVariant();
                }
                report(spec_.holds(value));
            });
}

void BusFlag::propertiesChanged(const QString& interface, const QVariantMap& changed,
                                const QStringList& invalidated) {
    if (interface != spec_.interface) {
        return;
    }
    if (const auto it = changed.find(spec_.member); it != changed.end()) {
        ++heard_;
        report(spec_.holds(*it));
    } else if (invalidated.contains(spec_.member)) {
        read();
    }
}

void BusFlag::signalled(const QDBusMessage& message) {
    ++heard_;
    report(spec_.holds(message.arguments().value(0)));
}

void BusFlag::vanished() {
    ++heard_;
    report(false);
}

}  // namespace wystrand
