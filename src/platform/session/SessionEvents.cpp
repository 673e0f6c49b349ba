#include "platform/session/SessionEvents.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMetaObject>
#include <QMetaType>
#include <QVariant>
#include <QtGlobal>
#include <utility>

namespace wystrand {

namespace {

const QString kLogin1Service = QStringLiteral("org.freedesktop.login1");
const QString kLogin1Path = QStringLiteral("/org/freedesktop/login1");
const QString kManagerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSessionInterface = QStringLiteral("org.freedesktop.login1.Session");

bool isAsciiAlphanumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

SessionEvents::SessionEvents(std::function<void()> onSessionEnd, QObject* parent)
    : QObject(parent), onSessionEnd_(std::move(onSessionEnd)) {}

void SessionEvents::start() {
    // Empty service and path: the screen saver may be any program, at any object path.
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        for (const char* interface : {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver"}) {
            session.connect(QString(), QString(), QString::fromLatin1(interface),
                            QStringLiteral("ActiveChanged"), this,
                            SLOT(screenSaverActiveChanged(bool)));
        }
    }

    QDBusConnection system = QDBusConnection::systemBus();
    if (!system.isConnected()) {
        return;
    }
    system.connect(QString(), kLogin1Path, kManagerInterface, QStringLiteral("PrepareForSleep"),
                   this, SLOT(prepareForSleep(bool)));

    QDBusMessage byPid = QDBusMessage::createMethodCall(
        kLogin1Service, kLogin1Path, kManagerInterface, QStringLiteral("GetSessionByPID"));
    byPid << static_cast<quint32>(QCoreApplication::applicationPid());
    auto* watcher = new QDBusPendingCallWatcher(system.asyncCall(byPid), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *call;
                if (reply.isError()) {
                    lookUpSessionById();
                } else {
                    watchOwnSession(reply.value().path());
                }
            });
}

void SessionEvents::lookUpSessionById() {
    const QByteArray sessionId = qgetenv("XDG_SESSION_ID");
    if (sessionId.isEmpty()) {
        return;
    }
    QDBusMessage byId = QDBusMessage::createMethodCall(
        kLogin1Service, kLogin1Path, kManagerInterface, QStringLiteral("GetSession"));
    byId << QString::fromUtf8(sessionId);
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(byId), this);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this,
        [this, sessionId](QDBusPendingCallWatcher* call) {
            call->deleteLater();
            const QDBusPendingReply<QDBusObjectPath> reply = *call;
            watchOwnSession(reply.isError() ? sessionPathForId(sessionId) : reply.value().path());
        });
}

void SessionEvents::watchOwnSession(const QString& path) {
    if (watchingSession_ || path.isEmpty()) {
        return;
    }
    watchingSession_ = true;
    QDBusConnection system = QDBusConnection::systemBus();
    system.connect(QString(), path, kSessionInterface, QStringLiteral("Lock"), this,
                   SLOT(sessionLocked()));
    system.connect(QString(), path, QStringLiteral("org.freedesktop.DBus.Properties"),
                   QStringLiteral("PropertiesChanged"), this,
                   SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
}

QString SessionEvents::sessionPathForId(const QByteArray& sessionId) {
    QString label;
    if (sessionId.isEmpty()) {
        label = QStringLiteral("_");
    }
    for (qsizetype i = 0; i < sessionId.size(); ++i) {
        const char c = sessionId[i];
        const bool leadingDigit = i == 0 && c >= '0' && c <= '9';
        if (isAsciiAlphanumeric(c) && !leadingDigit) {
            label += QLatin1Char(c);
        } else {
            label +=
                QStringLiteral("_%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'));
        }
    }
    return QStringLiteral("/org/freedesktop/login1/session/") + label;
}

void SessionEvents::screenSaverActiveChanged(bool active) {
    if (active) {
        sessionEnded();
    }
}

void SessionEvents::prepareForSleep(bool start) {
    if (start) {
        sessionEnded();
    }
}

void SessionEvents::sessionLocked() {
    sessionEnded();
}

void SessionEvents::sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                             const QStringList&) {
    if (interface != kSessionInterface) {
        return;
    }
    const QVariant active = changed.value(QStringLiteral("Active"));
    if (active.typeId() == QMetaType::Bool && !active.toBool()) {
        sessionEnded();
    }
}

void SessionEvents::sessionEnded() {
    QMetaObject::invokeMethod(
        this, [this] { onSessionEnd_(); }, Qt::QueuedConnection);
}

}  // namespace wystrand
