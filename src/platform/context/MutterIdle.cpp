#include "platform/context/MutterIdle.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QMetaType>
#include <optional>
#include <utility>

namespace wystrand {

namespace {

const QString kService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString kPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString kInterface = QStringLiteral("org.gnome.Mutter.IdleMonitor");

std::optional<uint> watchIn(const QDBusMessage& reply) {
    const QVariant id = reply.arguments().value(0);
    if (reply.type() != QDBusMessage::ReplyMessage ||
        id.metaType() != QMetaType::fromType<uint>() || id.toUInt() == 0) {
        return std::nullopt;
    }
    return id.toUInt();
}

}  // namespace

MutterIdle::~MutterIdle() {
    for (const uint watch : {idleWatch_, activeWatch_}) {
        if (watch != 0) {
            call(QStringLiteral("RemoveWatch"), {watch});
        }
    }
}

void MutterIdle::start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        reportPresent(false);
        return;
    }
    bus.connect(kService, kPath, kInterface, QStringLiteral("WatchFired"), this,
                SLOT(watchFired(uint)));
    auto* watcher =
        new QDBusServiceWatcher(kService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                appeared(!owner.isEmpty());
            });
    addIdleWatch();
}

void MutterIdle::appeared(bool running) {
    ++owner_;
    idleWatch_ = activeWatch_ = 0;
    idleAsked_ = activeAsked_ = false;
    reportPresent(false);
    if (running) {
        addIdleWatch();
    }
}

void MutterIdle::addIdleWatch() {
    if (std::exchange(idleAsked_, true)) {
        return;
    }
    const auto asked = threshold();
    call(QStringLiteral("AddIdleWatch"), {qulonglong(asked.count())},
         [this, asked](const QDBusMessage& reply) {
             idleAsked_ = false;
             const auto watch = watchIn(reply);
             if (!watch) {
                 reportPresent(false);
                 return;
             }
             // The threshold changed while the watch was being added: once more.
             if (asked != threshold()) {
                 call(QStringLiteral("RemoveWatch"), {*watch});
                 addIdleWatch();
             } else {
                 idleWatch_ = *watch;
             }
             reportPresent(true);
         });
}

void MutterIdle::addUserActiveWatch() {
    if (activeWatch_ != 0 || std::exchange(activeAsked_, true)) {
        return;
    }
    call(QStringLiteral("AddUserActiveWatch"), {}, [this](const QDBusMessage& reply) {
        activeAsked_ = false;
        activeWatch_ = watchIn(reply).value_or(0);
    });
}

void MutterIdle::rearm(std::chrono::milliseconds previous) {
    // Idle for the old threshold is idle for any shorter one; a longer one Mutter tells.
    const bool stillIdle = holds() && threshold() <= previous;
    if (idleWatch_ != 0) {
        call(QStringLiteral("RemoveWatch"), {std::exchange(idleWatch_, 0)});
    }
    addIdleWatch();
    report(stillIdle);
}

void MutterIdle::armInput() {
    addUserActiveWatch();
}

void MutterIdle::watchFired(uint id) {
    if (id == 0) {
        return;
    }
    if (id == idleWatch_) {
        report(true);
        addUserActiveWatch();
    } else if (id == activeWatch_) {
        activeWatch_ = 0;
        reportInput();
    }
}

void MutterIdle::call(const QString& method, const QVariantList& arguments,
                      std::function<void(const QDBusMessage&)> answered) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    // Only a compositor that runs answers: none is started for the asking.
    message.setAutoStartService(false);
    const QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(message);
    if (!answered) {
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(pending, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, owner = owner_, answered = std::move(answered)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (owner == owner_) {
                    answered(w->reply());
                }
            });
}

}  // namespace wystrand
