#include "support/PrivateServers.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QFile>
#include <QTemporaryFile>
#include <cstdlib>

#include "support/Wait.h"

namespace wystrand::test {

namespace {

// The first line a server prints once it is ready, without its line feed; empty when none came.
std::string firstLine(QProcess& daemon) {
    while (!daemon.canReadLine() && daemon.waitForReadyRead(10000)) {
    }
    return daemon.canReadLine() ? daemon.readLine().trimmed().toStdString() : "";
}

}  // namespace

std::string XvfbServer::start() {
    if (xvfb_.state() == QProcess::NotRunning && display_.empty()) {
        startDaemon(xvfb_, {"Xvfb", "-displayfd", "1", "-screen", "0", screen_, "-nolisten", "tcp",
                            "-noreset"});
        const std::string number = firstLine(xvfb_);
        display_ = number.empty() ? "" : ":" + number;
    }
    return display_;
}

PrivateBus::~PrivateBus() {
    for (QProcess& daemon : daemon_) {
        stopDaemon(daemon);
    }
}

bool PrivateBus::start() {
    // The only service directory is empty until something is offered. The daemon looks there
    // again for a name it does not know.
    QTemporaryFile config;
    config.open();
    config.write(
        "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
        "<servicedir>" +
        services_.path().toUtf8() +
        "</servicedir><auth>EXTERNAL</auth><policy context=\"default\">"
        "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
        "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    config.flush();
    for (int i = 0; i < 2; ++i) {
        startDaemon(daemon_[i], {"dbus-daemon", "--config-file", config.fileName(), "--nofork",
                                 "--nopidfile", "--print-address=1"});
        address_[i] = firstLine(daemon_[i]);
    }
    return !address_[0].empty() && !address_[1].empty();
}

bool PrivateBus::offer(const QStringList& services, const QString& env) {
    for (const QString& service : services) {
        QFile system("/usr/share/dbus-1/services/" + service + ".service");
        QFile offered(services_.filePath(service + ".service"));
        if (!system.open(QIODevice::ReadOnly) || !offered.open(QIODevice::WriteOnly)) {
            return false;
        }
        offered.write(
            system.readAll().replace("\nExec=", "\nExec=/usr/bin/env " + env.toUtf8() + " "));
    }
    return true;
}

std::unique_ptr<PrivateBus> BusSuite::buses_;

QDBusConnection BusSuite::testBus(bool system) {
    const std::string& address = system ? buses_->systemAddress() : buses_->sessionAddress();
    return QDBusConnection::connectToBus(QString::fromStdString(address),
                                         QString::fromStdString(address));
}

bool settle(const QDBusConnection& from, const QString& service) {
    const QDBusPendingCall call = from.asyncCall(
        QDBusMessage::createMethodCall(service, "/", "org.freedesktop.DBus.Peer", "Ping"));
    int passes = 4;
    return waitUntil([&] { return call.isFinished() && --passes == 0; });
}

}  // namespace wystrand::test
