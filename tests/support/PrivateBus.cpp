#include "support/PrivateBus.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QTemporaryFile>

#include "support/Daemon.h"
#include "support/Wait.h"

namespace wystrand::test {

PrivateBus::~PrivateBus() {
    for (QProcess& daemon : daemon_) {
        stopDaemon(daemon);
    }
}

bool PrivateBus::start() {
    // No service directories: nothing is started on demand.
    QTemporaryFile config;
    config.open();
    config.write(
        "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
        "<auth>EXTERNAL</auth><policy context=\"default\">"
        "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
        "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    config.flush();
    for (int i = 0; i < 2; ++i) {
        // The address is printed once the daemon listens.
        startDaemon(daemon_[i], {"dbus-daemon", "--config-file", config.fileName(), "--nofork",
                                 "--nopidfile", "--print-address=1"});
        while (!daemon_[i].canReadLine() && daemon_[i].waitForReadyRead(10000)) {
        }
        if (daemon_[i].canReadLine()) {
            address_[i] = daemon_[i].readLine().trimmed().toStdString();
        }
    }
    return !address_[0].empty() && !address_[1].empty();
}

bool settle(const QDBusConnection& from, const QString& service) {
    const QDBusPendingCall call = from.asyncCall(
        QDBusMessage::createMethodCall(service, "/", "org.freedesktop.DBus.Peer", "Ping"));
    int passes = 4;
    return waitUntil([&] { return call.isFinished() && --passes == 0; });
}

}  // namespace wystrand::test
