#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/session/SessionEvents.h"
#include "support/PrivateBus.h"

namespace wystrand {
namespace {

test::PrivateBus* bus = nullptr;

// Starts the private buses before the first use of Qt's default bus connections.
class BusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        bus = new test::PrivateBus();
        ASSERT_TRUE(bus->start());
        setenv("DBUS_SESSION_BUS_ADDRESS", bus->sessionAddress().c_str(), 1);
        setenv("DBUS_SYSTEM_BUS_ADDRESS", bus->systemAddress().c_str(), 1);
    }
    void TearDown() override {
        delete bus;
        bus = nullptr;
    }
};

// login1's Manager as far as the session lookup uses it.
class FakeLogin1 : public QDBusVirtualObject {
public:
    std::function<QDBusMessage(const QDBusMessage&)> answer;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.type() != QDBusMessage::MethodCallMessage) {
            return false;
        }
        connection.send(answer(message));
        return true;
    }
};

class SessionEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("XDG_SESSION_ID");
        system_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
            QString::fromStdString(bus->systemAddress()), QStringLiteral("emitter-system")));
        ASSERT_TRUE(system_->isConnected());
    }

    void TearDown() override {
        events_.reset();
        if (login1_) {
            system_->unregisterObject(QStringLiteral("/org/freedesktop/login1"));
            system_->unregisterService(QStringLiteral("org.freedesktop.login1"));
            login1_.reset();
        }
        system_.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("emitter-system"));
    }

    void startEvents() {
        events_ = std::make_unique<SessionEvents>([this] { ++ended_; });
        events_->start();
    }

    void playLogin1(std::function<QDBusMessage(const QDBusMessage&)> answer) {
        login1_ = std::make_unique<FakeLogin1>();
        login1_->answer = std::move(answer);
        ASSERT_TRUE(system_->registerVirtualObject(QStringLiteral("/org/freedesktop/login1"),
                                                   login1_.get()));
        ASSERT_TRUE(system_->registerService(QStringLiteral("org.freedesktop.login1")));
    }

    static QDBusMessage signal(const QString& path, const QString& interface, const QString& name,
                               const QVariantList& args = {}) {
        QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
        message.setArguments(args);
        return message;
    }

    static QDBusMessage lock(const QString& sessionPath) {
        return signal(sessionPath, QStringLiteral("org.freedesktop.login1.Session"),
                      QStringLiteral("Lock"));
    }

    static QDBusMessage propertiesChanged(const QString& sessionPath, const QString& interface,
                                          const QVariantMap& changed) {
        return signal(sessionPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                      QStringLiteral("PropertiesChanged"), {interface, changed, QStringList{}});
    }

    // Sends the signals on the system bus, then waits until this process's own connection to it
    // has answered an introspection sent after them (answered or refused). Qt queues signals and
    // calls on that connection in arrival order, so by then every signal has reached the
    // listener; a few more passes of the event loop run the callback it queues. Returns how many
    // session ends were seen.
    int countEnds(const QList<QDBusMessage>& messages) {
        ended_ = 0;
        for (const QDBusMessage& message : messages) {
            system_->send(message);
        }
        const QDBusMessage introspect = QDBusMessage::createMethodCall(
            QDBusConnection::systemBus().baseService(), QStringLiteral("/"),
            QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
        QDBusPendingCall reply = system_->asyncCall(introspect);
        QElapsedTimer timer;
        timer.start();
        while (!reply.isFinished() && timer.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        // Any answer will do, an error ("no such object") included.
        EXPECT_TRUE(reply.isFinished());
        for (int pass = 0; pass < 4; ++pass) {
            QCoreApplication::processEvents();
        }
        return ended_;
    }

    // The own-session lookup is asynchronous: repeat `trigger` until a session end is seen.
    bool waitUntilWatching(const QDBusMessage& trigger) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 5000) {
            if (countEnds({trigger}) > 0) {
                return true;
            }
        }
        return false;
    }

    std::unique_ptr<QDBusConnection> system_;
    std::unique_ptr<FakeLogin1> login1_;
    std::unique_ptr<SessionEvents> events_;
    int ended_ = 0;
};

TEST(SessionPathTest, EscapesLikeSdBus) {
    const QString prefix = QStringLiteral("/org/freedesktop/login1/session/");
    EXPECT_EQ(SessionEvents::sessionPathForId("c2"), prefix + "c2");
    EXPECT_EQ(SessionEvents::sessionPathForId("3"), prefix + "_33");
    EXPECT_EQ(SessionEvents::sessionPathForId("12"), prefix + "_312");
    EXPECT_EQ(SessionEvents::sessionPathForId("a-b_c"), prefix + "a_2db_5fc");
    EXPECT_EQ(SessionEvents::sessionPathForId("\xc3\xa9/."), prefix + "_c3_a9_2f_2e");
    EXPECT_EQ(SessionEvents::sessionPathForId(""), prefix + "_");
}

TEST_F(SessionEventsTest, OwnSessionFoundByPidIsTheOnlyOneWatched) {
    const QString own = QStringLiteral("/org/freedesktop/login1/session/c7");
    const QString other = QStringLiteral("/org/freedesktop/login1/session/c8");
    quint32 askedPid = 0;
    playLogin1([&](const QDBusMessage& call) {
        if (call.member() == QLatin1String("GetSessionByPID")) {
            askedPid = call.arguments().value(0).toUInt();
            return call.createReply(QVariant::fromValue(QDBusObjectPath(own)));
        }
        return call.createErrorReply(QDBusError::UnknownMethod, call.member());
    });
    setenv("XDG_SESSION_ID", "c8", 1);
    startEvents();

    ASSERT_TRUE(waitUntilWatching(lock(own)));
    EXPECT_EQ(askedPid, static_cast<quint32>(QCoreApplication::applicationPid()));
    EXPECT_EQ(countEnds({lock(other)}), 0);

    const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
    const QVariantMap inactive{{QStringLiteral("Active"), false}};
    EXPECT_EQ(countEnds({propertiesChanged(own, sessionInterface, inactive)}), 1);
    EXPECT_EQ(countEnds({propertiesChanged(other, sessionInterface, inactive)}), 0);
    EXPECT_EQ(
        countEnds({propertiesChanged(own, sessionInterface, {{QStringLiteral("Active"), true}})}),
        0);
    EXPECT_EQ(countEnds({propertiesChanged(own, sessionInterface,
                                           {{QStringLiteral("IdleHint"), false}})}),
              0);
    EXPECT_EQ(
        countEnds({propertiesChanged(own, sessionInterface, {{QStringLiteral("Active"), 0}})}), 0);
    EXPECT_EQ(countEnds({propertiesChanged(own, QStringLiteral("org.example.Other"), inactive)}),
              0);
}

TEST_F(SessionEventsTest, SessionIdIsAskedForWhenThePidHasNoSession) {
    const QString own = QStringLiteral("/org/freedesktop/login1/session/by_5fid");
    QString askedId;
    playLogin1([&](const QDBusMessage& call) {
        if (call.member() == QLatin1String("GetSession")) {
            askedId = call.arguments().value(0).toString();
            return call.createReply(QVariant::fromValue(QDBusObjectPath(own)));
        }
        return call.createErrorReply(QStringLiteral("org.freedesktop.login1.NoSessionForPID"),
                                     QStringLiteral("no session"));
    });
    setenv("XDG_SESSION_ID", "7", 1);
    startEvents();

    ASSERT_TRUE(waitUntilWatching(lock(own)));
    EXPECT_EQ(askedId, QStringLiteral("7"));
    EXPECT_EQ(countEnds({lock(SessionEvents::sessionPathForId("7"))}), 0);
}

TEST_F(SessionEventsTest, WithoutLogin1TheSessionIdGivesThePath) {
    setenv("XDG_SESSION_ID", "3", 1);
    startEvents();
    ASSERT_TRUE(waitUntilWatching(lock(QStringLiteral("/org/freedesktop/login1/session/_33"))));
    EXPECT_EQ(countEnds({lock(QStringLiteral("/org/freedesktop/login1/session/3"))}), 0);
}

}  // namespace
}  // namespace wystrand

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new wystrand::BusEnvironment);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
