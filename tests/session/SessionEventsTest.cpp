#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <cstdlib>

#include "platform/session/SessionEvents.h"
#include "support/PrivateBus.h"

namespace wystrand {
namespace {

const QString kSessions = QStringLiteral("/org/freedesktop/login1/session/");

TEST(SessionPathTest, EscapesLikeSdBus) {
    EXPECT_EQ(SessionEvents::sessionPathForId("c2"), kSessions + "c2");
    EXPECT_EQ(SessionEvents::sessionPathForId("3"), kSessions + "_33");
    EXPECT_EQ(SessionEvents::sessionPathForId("a-b_c"), kSessions + "a_2db_5fc");
    EXPECT_EQ(SessionEvents::sessionPathForId("\xc3\xa9/."), kSessions + "_c3_a9_2f_2e");
    EXPECT_EQ(SessionEvents::sessionPathForId(""), kSessions + "_");
}

struct Lookup {
    const char *byPid, *id, *byId, *watched, *ignored;
};

// login1's Manager as far as the session lookup uses it: it may know this process's session and
// the session of one id; any other question is refused.
struct FakeLogin1 : QDBusVirtualObject {
    Lookup known{};

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override {
        const QVariant arg = call.arguments().value(0);
        const QString session = call.member() == "GetSessionByPID" &&
                                        arg.toLongLong() == QCoreApplication::applicationPid()
                                    ? known.byPid
                                : call.member() == "GetSession" && arg.toString() == known.id
                                    ? known.byId
                                    : "";
        return bus.send(session.isEmpty() ? call.createErrorReply(QDBusError::Failed, "unknown")
                                          : call.createReply(QVariant::fromValue(
                                                QDBusObjectPath(kSessions + session))));
    }
};

TEST(SessionEventsTest, OwnSessionIsFoundByPidThenBySessionId) {
    test::PrivateBus buses;
    ASSERT_TRUE(buses.start());
    setenv("DBUS_SESSION_BUS_ADDRESS", buses.sessionAddress().c_str(), 1);
    setenv("DBUS_SYSTEM_BUS_ADDRESS", buses.systemAddress().c_str(), 1);
    QDBusConnection emitter = QDBusConnection::connectToBus(
        QString::fromStdString(buses.systemAddress()), QStringLiteral("emitter"));
    int ended = 0;
    // Qt handles what arrives on a connection in order: once this process has answered a call
    // sent after the Lock, the Lock has reached the listener; a few more passes run what it queued.
    const auto locks = [&](const QString& session) {
        ended = 0;
        emitter.send(QDBusMessage::createSignal(kSessions + session,
                                                "org.freedesktop.login1.Session", "Lock"));
        const QDBusPendingCall reply = emitter.asyncCall(QDBusMessage::createMethodCall(
            QDBusConnection::systemBus().baseService(), "/", "org.freedesktop.DBus.Peer", "Ping"));
        const QDeadlineTimer deadline(5000);
        for (int passes = 4; passes > 0 && !deadline.hasExpired(); passes -= reply.isFinished()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        EXPECT_TRUE(reply.isFinished());
        return ended;
    };

    FakeLogin1 login1;
    ASSERT_TRUE(emitter.registerVirtualObject("/org/freedesktop/login1", &login1));
    ASSERT_TRUE(emitter.registerService("org.freedesktop.login1"));
    for (const Lookup& lookup :
         {Lookup{"c7", "c8", "c9", "c7", "c9"}, Lookup{"", "7", "by_5fid", "by_5fid", "_37"},
          Lookup{"", "3", "", "_33", "3"}}) {
        SCOPED_TRACE(lookup.watched);
        login1.known = lookup;
        setenv("XDG_SESSION_ID", lookup.id, 1);
        SessionEvents events([&] { ++ended; });
        events.start();
        // The lookup is asynchronous: the Lock is repeated until it is heard.
        for (QDeadlineTimer deadline(5000); locks(lookup.watched) == 0 && !deadline.hasExpired();) {
        }
        EXPECT_EQ(ended, 1);
        EXPECT_EQ(locks(lookup.ignored), 0);
    }
}

}  // namespace
}  // namespace wystrand
