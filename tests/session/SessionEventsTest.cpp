#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <cstdlib>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/session/SessionEvents.h"
#include "support/FakeService.h"
#include "support/PrivateServers.h"
#include "support/Wait.h"

namespace wystrand {
namespace {

const QString kSessions = QStringLiteral("/org/freedesktop/login1/session/");

TEST(SessionPathTest, EscapesLikeSdBus) {
    for (const auto& [id, path] : {std::pair{"c2", "c2"},
                                   {"3", "_33"},
                                   {"a-b_c", "a_2db_5fc"},
                                   {"\xc3\xa9/.", "_c3_a9_2f_2e"},
                                   {"", "_"}}) {
        EXPECT_EQ(SessionEvents::sessionPathForId(id), kSessions + path) << id;
    }
}

template <typename... Args>
QDBusMessage signal(const QString& path, const QString& interface, const QString& member,
                    const Args&... args) {
    return (QDBusMessage::createSignal(path, interface, member) << ... << QVariant(args));
}
QDBusMessage lock(const QString& session) {
    return signal(kSessions + session, "org.freedesktop.login1.Session", "Lock");
}

// A connection of the test's own to each bus sends the signals.
class SessionEventsTest : public test::BusSuite {
protected:
    // The session ends heard from `message`, once it has reached the listener.
    int ends(const QDBusMessage& message, bool system = true) {
        testBus(system).send(message);
        EXPECT_TRUE(test::settle(
            testBus(system),
            (system ? QDBusConnection::systemBus() : QDBusConnection::sessionBus()).baseService()));
        return std::exchange(ended_, 0);
    }
    std::unique_ptr<SessionEvents> started(const char* sessionId) {
        setenv("XDG_SESSION_ID", sessionId, 1);
        auto events = std::make_unique<SessionEvents>([this] { ++ended_; });
        events->start();
        return events;
    }

    int ended_ = 0;
};

// The own session is "_33" (id "3", which no login1 knows here).
TEST_F(SessionEventsTest, EachSignalOfTheSessionsEndIsHeardAndItsCounterpartsAreNot) {
    const auto events = started("3");
    // The lookup is asynchronous: the Lock is repeated until it is heard.
    ASSERT_TRUE(test::waitUntil([&] { return ends(lock("_33")) == 1; }));
    const auto screenSaver = [](const char* vendor, bool active) {
        return signal("/org/freedesktop/ScreenSaver", QString("org.%1.ScreenSaver").arg(vendor),
                      "ActiveChanged", active);
    };
    const auto sleep = [](bool start) {
        return signal("/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                      "PrepareForSleep", start);
    };
    const auto changed = [](const QString& session, const QVariantMap& values,
                            const QString& interface = "org.freedesktop.login1.Session") {
        return signal(kSessions + session, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                      interface, values, QStringList{});
    };
    for (const auto& [message, system, count] : std::vector<std::tuple<QDBusMessage, bool, int>>{
             {screenSaver("freedesktop", true), false, 1},
             {screenSaver("freedesktop", false), false, 0},
             {screenSaver("gnome", true), false, 1},
             {screenSaver("gnome", false), false, 0},
             {sleep(true), true, 1},
             {sleep(false), true, 0},
             {lock("_34"), true, 0},
             {lock("3"), true, 0},
             {changed("_33", {{"Active", false}}), true, 1},
             {changed("_34", {{"Active", false}}), true, 0},
             {changed("_33", {{"Active", true}}), true, 0},
             {changed("_33", {{"Active", 0}}), true, 0},
             {changed("_33", {{"IdleHint", false}}), true, 0},
             {changed("_33", {{"Active", false}}, "org.example.Other"), true, 0},
         }) {
        EXPECT_EQ(ends(message, system), count)
            << message.path().toStdString() << " " << message.member().toStdString();
    }
}

// login1's Manager may know this process's session, and the session of one id; any other
// question is refused.
TEST_F(SessionEventsTest, OwnSessionIsFoundByPidThenBySessionId) {
    struct Lookup {
        const char *byPid, *id, *byId, *watched, *ignored;
    } known{};
    test::FakeService login1(buses_->systemAddress(), "org.freedesktop.login1",
                             "/org/freedesktop/login1");
    const auto path = [](const QDBusMessage& call, bool asked, const char* session) {
        return !asked || *session == '\0'
                   ? call.createErrorReply(QDBusError::Failed, "unknown")
                   : call.createReply(QVariant::fromValue(QDBusObjectPath(kSessions + session)));
    };
    login1.answer("GetSessionByPID", [&](const QDBusMessage& call) {
        return path(call,
                    call.arguments().value(0).toLongLong() == QCoreApplication::applicationPid(),
                    known.byPid);
    });
    login1.answer("GetSession", [&](const QDBusMessage& call) {
        return path(call, call.arguments().value(0).toString() == known.id, known.byId);
    });
    ASSERT_TRUE(login1.start());
    for (const Lookup& lookup :
         {Lookup{"c7", "c8", "c9", "c7", "c9"}, Lookup{"", "7", "by_5fid", "by_5fid", "_37"}}) {
        SCOPED_TRACE(lookup.watched);
        known = lookup;
        const auto events = started(lookup.id);
        EXPECT_TRUE(test::waitUntil([&] { return ends(lock(lookup.watched)) == 1; }));
        EXPECT_EQ(ends(lock(lookup.ignored)), 0);
    }
}

}  // namespace
}  // namespace wystrand
