#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>

#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <string>

class QDBusConnection;

// Servers that tests run privately beside them, so that they never touch the machine's own.
namespace wystrand::test {

// A server's process, its errors discarded: it ends with stopDaemon or, through SIGTERM so that
// it cleans up after itself, with the test process.
inline void startDaemon(QProcess& daemon, const QStringList& argv) {
    daemon.setStandardErrorFile(QProcess::nullDevice());
    daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon.start(argv.first(), argv.mid(1));
}
inline void stopDaemon(QProcess& daemon) {
    daemon.terminate();
    daemon.waitForFinished();
}

// Xvfb at 1440x875x24 (or the size given) on the first free display, without a window manager.
class XvfbServer {
public:
    explicit XvfbServer(QString screen = "1440x875x24") : screen_(std::move(screen)) {}
    ~XvfbServer() { stopDaemon(xvfb_); }
    // Waits until the server accepts connections and returns its display name (":N"), or an
    // empty string when it did not come up. Calling it again returns the same name.
    std::string start();

private:
    QString screen_;
    QProcess xvfb_;
    std::string display_;
};

// A session bus and a "system" bus, each its own dbus-daemon. The session bus starts on demand
// only the services offered to it.
class PrivateBus {
public:
    ~PrivateBus();
    bool start();
    const std::string& sessionAddress() const { return address_[0]; }
    const std::string& systemAddress() const { return address_[1]; }
    // From now on the session bus starts these services of the system's (their files in
    // /usr/share/dbus-1/services, without ".service") when first called, with the variables
    // `env` sets ("NAME=value ...") added to their environment. False when one is not installed.
    bool offer(const QStringList& services, const QString& env = {});

private:
    QProcess daemon_[2];
    std::string address_[2];
    QTemporaryDir services_;
};

// Suites whose code under test finds both buses through the environment. Kept in the header so
// that the benchmark, which shares the servers but not GoogleTest, links without it.
class BusSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Settings written through the session bus (by dconf's service) stay the test process's
        // own: GLib reads XDG_CONFIG_HOME once.
        static const QTemporaryDir configHome;
        setenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit().constData(), 1);
        buses_ = std::make_unique<PrivateBus>();
        ASSERT_TRUE(buses_->start()) << "dbus-daemon did not start";
        setenv("DBUS_SESSION_BUS_ADDRESS", buses_->sessionAddress().c_str(), 1);
        setenv("DBUS_SYSTEM_BUS_ADDRESS", buses_->systemAddress().c_str(), 1);
    }
    static void TearDownTestSuite() { buses_.reset(); }
    // The test's own connection to the session bus, or the system bus, named after its address.
    static QDBusConnection testBus(bool system = false);
    static std::unique_ptr<PrivateBus> buses_;
};

// Pings `service` from `from` and runs the event loop until the answer and a few passes more: as
// messages keep their order, what either sent before has then been handled.
bool settle(const QDBusConnection& from, const QString& service);

}  // namespace wystrand::test
