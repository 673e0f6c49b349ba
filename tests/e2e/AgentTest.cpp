// The agent binary end to end: on a private X server, with private session and system buses, and
// the test as its controlling process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QDBusMessage>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <chrono>
#include <memory>
#include <string>

#include "e2e/Desktop.h"
#include "e2e/Processes.h"
#include "e2e/TestController.h"

namespace wystrand::test {
namespace {

using namespace std::chrono_literals;
using Bus = Desktop::Bus;

const std::string kAgent = WYSTRAND_AGENT;
const std::string kUsage = "wystrand-notify: --pipe <socket-path> is required\n";

TEST(AgentUsageTest, WithoutAPipeItPrintsTheUsageLineAndExits1) {
    for (const std::vector<std::string>& argv : {
             std::vector<std::string>{kAgent},
             std::vector<std::string>{kAgent, "--pipe"},
             std::vector<std::string>{kAgent, "/tmp/x.sock", "--pipe"},
             std::vector<std::string>{kAgent, "--pipe=/tmp/x.sock"},
             std::vector<std::string>{kAgent, "--PIPE", "/tmp/x.sock"},
         }) {
        const RunResult result = run(argv, {{"DISPLAY", std::nullopt}});
        EXPECT_EQ(exitCode(result.status), 1) << argv.back();
        EXPECT_EQ(result.err, kUsage) << argv.back();
        EXPECT_EQ(result.out, "") << argv.back();
    }
}

TEST(AgentUsageTest, WithoutADisplayItEndsSilently) {
    const RunResult result =
        run({kAgent, "--pipe", "/nonexistent/agent.sock"}, {{"DISPLAY", std::nullopt},
                                                            {"WAYLAND_DISPLAY", std::nullopt},
                                                            {"QT_QPA_PLATFORM", std::nullopt}});
    ASSERT_TRUE(result.status);
    EXPECT_NE(exitCode(result.status), 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "");
}

Desktop* desktop = nullptr;

class AgentTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        desktop = new Desktop();
        ASSERT_TRUE(desktop->start()) << "Xvfb or dbus-daemon did not start";
    }
    static void TearDownTestSuite() {
        delete desktop;
        desktop = nullptr;
    }

    void SetUp() override { startAgent(desktop->agentEnvironment()); }

    void startAgent(const EnvChanges& env, const std::vector<std::string>& extraArgs = {}) {
        ASSERT_TRUE(controller_.ok());
        std::vector<std::string> argv{kAgent, "--pipe", controller_.socketPath()};
        argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
        ASSERT_TRUE(agent_.start(argv, env));
        ASSERT_TRUE(controller_.waitConnected());
    }

    // The agent was never heard from except over the socket, and it did not crash.
    void TearDown() override {
        const int status = agent_.stop(SIGTERM);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
        EXPECT_EQ(agent_.out(), "");
        EXPECT_EQ(agent_.err(), "");
    }

    void show(const std::string& id, const std::string& mode, int duration) {
        ASSERT_TRUE(controller_.send(R"({"op":"show","id":")" + id + R"(","mode":")" + mode +
                                     R"(","duration":)" + std::to_string(duration) + "}"));
    }

    void showAndWaitReady(const std::string& id) {
        show(id, "alert", 600);
        ASSERT_TRUE(controller_.waitForEvent("ready", id)) << id << " was not shown";
    }

    std::optional<std::int64_t> resultCode(const std::string& id,
                                           std::chrono::milliseconds timeout = 10s) {
        const auto result = controller_.waitForEvent("result", id, timeout);
        return result ? result->code : std::nullopt;
    }

    // Sends `message` until `id` has ended (the agent subscribes shortly after it connects).
    std::optional<std::int64_t> sendUntilEnded(Bus bus, const QDBusMessage& message,
                                               const std::string& id) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            desktop->send(bus, message);
            if (auto code = resultCode(id, 200ms)) {
                return code;
            }
        }
        return std::nullopt;
    }

    // Makes sure that every message sent on `bus` so far has reached the agent and has been
    // handled. The agent handles D-Bus signals and socket requests on its main thread in arrival
    // order: after the sync, a probe card shown and dismissed ends only after whatever those
    // messages started, and a card they closed reports before the probe does.
    void settle(Bus bus) {
        ASSERT_TRUE(desktop->syncWith(bus, agent_.pid()));
        const std::string probe = "probe-" + std::to_string(++probes_);
        showAndWaitReady(probe);
        ASSERT_TRUE(controller_.send(R"({"op":"dismiss","id":")" + probe + R"("})"));
        EXPECT_EQ(resultCode(probe), 2);
    }

    // A message that must not close cards: `watched`, on screen, is still there afterwards.
    void expectIgnored(Bus bus, const QDBusMessage& message, const std::string& watched) {
        desktop->send(bus, message);
        settle(bus);
        EXPECT_EQ(controller_.eventsFor(watched).size(), 1u) << "only its ready";
    }

    // Every card on screen is closed with code 2 by `message`.
    void expectClosesEveryCard(Bus bus, const QDBusMessage& message) {
        showAndWaitReady("a");
        showAndWaitReady("b");
        showAndWaitReady("c");
        EXPECT_EQ(sendUntilEnded(bus, message, "a"), 2);
        EXPECT_EQ(resultCode("b"), 2);
        EXPECT_EQ(resultCode("c"), 2);
        settle(bus);
        for (const char* id : {"a", "b", "c"}) {
            EXPECT_EQ(controller_.eventsFor(id).size(), 2u) << id;
        }
    }

    // Checks that the listener for `trigger` is up, then that `message` is ignored by it.
    void expectIgnoredOnceListening(Bus bus, const QDBusMessage& trigger,
                                    const QDBusMessage& message) {
        showAndWaitReady("first");
        ASSERT_EQ(sendUntilEnded(bus, trigger, "first"), 2);
        settle(bus);
        showAndWaitReady("kept");
        expectIgnored(bus, message, "kept");
    }

    static QDBusMessage signal(const char* path, const char* interface, const char* name,
                               const QVariantList& args = {}) {
        QDBusMessage message = QDBusMessage::createSignal(
            QString::fromLatin1(path), QString::fromLatin1(interface), QString::fromLatin1(name));
        message.setArguments(args);
        return message;
    }
    static QDBusMessage screenSaver(const char* interface, bool active) {
        return signal("/org/freedesktop/ScreenSaver", interface, "ActiveChanged", {active});
    }
    static QDBusMessage prepareForSleep(bool start) {
        return signal("/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                      "PrepareForSleep", {start});
    }
    static QDBusMessage lock(const char* sessionPath) {
        return signal(sessionPath, "org.freedesktop.login1.Session", "Lock");
    }
    static QDBusMessage sessionActive(const char* sessionPath, bool active) {
        return signal(sessionPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                      {QStringLiteral("org.freedesktop.login1.Session"),
                       QVariantMap{{QStringLiteral("Active"), active}}, QStringList{}});
    }
    static constexpr const char* kOwnSession = "/org/freedesktop/login1/session/_33";

    TestController controller_;
    Child agent_;
    int probes_ = 0;
};

TEST_F(AgentTest, EachModeIsReadyThenReportsItsCode) {
    show("alert", "alert", 0);
    show("info", "info", 0);
    show("countdown", "countdown", 1);
    EXPECT_TRUE(controller_.waitForEvent("ready", "alert"));
    EXPECT_TRUE(controller_.waitForEvent("ready", "info"));
    EXPECT_TRUE(controller_.waitForEvent("ready", "countdown"));
    EXPECT_EQ(resultCode("alert"), 2);
    EXPECT_EQ(resultCode("info"), 0);
    EXPECT_EQ(resultCode("countdown"), 0);
    for (const char* id : {"alert", "info", "countdown"}) {
        const auto events = controller_.eventsFor(id);
        ASSERT_EQ(events.size(), 2u) << id;
        EXPECT_EQ(events[0].ev, QStringLiteral("ready"));
        EXPECT_EQ(events[1].ev, QStringLiteral("result"));
    }
}

TEST_F(AgentTest, ADismissedCardReportsCode2Once) {
    showAndWaitReady("a");
    ASSERT_TRUE(controller_.send(R"({"op":"dismiss","id":"a"})"));
    ASSERT_TRUE(controller_.send(R"({"op":"dismiss","id":"a"})"));
    ASSERT_TRUE(controller_.send(R"({"op":"dismiss","id":"nobody"})"));
    EXPECT_EQ(resultCode("a"), 2);

    // Requests are handled in order: once a later card has ended, nothing more can come for "a".
    show("later", "info", 0);
    EXPECT_EQ(resultCode("later"), 0);
    EXPECT_EQ(controller_.eventsFor("a").size(), 2u);
    EXPECT_TRUE(controller_.eventsFor("nobody").empty());
}

TEST_F(AgentTest, PingIsAnsweredWithAPongWithoutId) {
    ASSERT_TRUE(controller_.send(R"({"op":"ping","id":"p1"})"));
    const auto pong = controller_.waitForEvent("pong");
    ASSERT_TRUE(pong);
    EXPECT_EQ(pong->encode(), R"({"ev":"pong"})");
}

TEST_F(AgentTest, BadLinesAreIgnoredWhileGoodOnesAreAnswered) {
    for (const std::string line : {
             "not json",
             "[1,2]",
             "42",
             R"({"op":"show","id":"string-duration","duration":"5"})",
             R"({"op":"show","id":"numeric-sound","sound":1})",
             R"({"op":"SHOW","id":"capitals"})",
             R"({"op":"Ping"})",
             R"({"op":"show","mode":"info"})",
             R"({"ev":"hb"})",
             "{\"op\":\"show\",\"id\":\"bad-utf8-\xff\"}",
             R"({"op":"show","id":"unterminated")",
         }) {
        ASSERT_TRUE(controller_.send(line));
    }
    ASSERT_TRUE(controller_.send(R"({"op":"ping"})"));
    ASSERT_TRUE(
        controller_.send("  {\"op\":\"show\",\"id\":\"good\",\"mode\":\"info\",\"duration\":0}\r"));
    EXPECT_TRUE(controller_.waitForEvent("pong"));
    EXPECT_EQ(resultCode("good"), 0);

    const std::vector<std::string> expected{R"({"ev":"pong"})", R"({"id":"good","ev":"ready"})",
                                            R"({"id":"good","ev":"result","code":0})"};
    EXPECT_EQ(controller_.lines(), expected);
}

TEST_F(AgentTest, TheFreedesktopScreenSaverClosesEveryCard) {
    expectClosesEveryCard(Bus::session, screenSaver("org.freedesktop.ScreenSaver", true));
}

TEST_F(AgentTest, TheGnomeScreenSaverClosesEveryCard) {
    expectClosesEveryCard(Bus::session, screenSaver("org.gnome.ScreenSaver", true));
}

TEST_F(AgentTest, GoingToSleepClosesEveryCard) {
    expectClosesEveryCard(Bus::system, prepareForSleep(true));
}

TEST_F(AgentTest, LockingTheOwnSessionClosesEveryCard) {
    expectClosesEveryCard(Bus::system, lock(kOwnSession));
}

TEST_F(AgentTest, TheOwnSessionTurningInactiveClosesEveryCard) {
    expectClosesEveryCard(Bus::system, sessionActive(kOwnSession, false));
}

TEST_F(AgentTest, TheScreenSaverTurningOffLeavesTheCards) {
    expectIgnoredOnceListening(Bus::session, screenSaver("org.freedesktop.ScreenSaver", true),
                               screenSaver("org.freedesktop.ScreenSaver", false));
    expectIgnored(Bus::session, screenSaver("org.gnome.ScreenSaver", false), "kept");
}

TEST_F(AgentTest, WakingUpLeavesTheCards) {
    expectIgnoredOnceListening(Bus::system, prepareForSleep(true), prepareForSleep(false));
}

TEST_F(AgentTest, AnotherSessionLockedOrActiveLeavesTheCards) {
    expectIgnoredOnceListening(Bus::system, lock(kOwnSession),
                               lock("/org/freedesktop/login1/session/_34"));
    expectIgnored(Bus::system, lock("/org/freedesktop/login1/session/c3"), "kept");
    expectIgnored(Bus::system, sessionActive("/org/freedesktop/login1/session/_34", false), "kept");
    expectIgnored(Bus::system, sessionActive(kOwnSession, true), "kept");
}

class AgentWithoutBusesTest : public AgentTest {
protected:
    void SetUp() override {
        EnvChanges env = desktop->agentEnvironment();
        env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=/nonexistent/session";
        env["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=/nonexistent/system";
        startAgent(env);
    }
};

TEST_F(AgentWithoutBusesTest, WorksAndSaysNothing) {
    show("a", "info", 0);
    EXPECT_EQ(resultCode("a"), 0);
}

// Other arguments are ignored, Qt's own options included.
class AgentWithOtherArgumentsTest : public AgentTest {
protected:
    void SetUp() override {
        startAgent(desktop->agentEnvironment(),
                   {"--pipe", "/elsewhere", "-display", ":9999", "-x"});
    }
};

TEST_F(AgentWithOtherArgumentsTest, ShowsCardsOnItsDisplay) {
    show("a", "info", 0);
    EXPECT_EQ(resultCode("a"), 0);
}

}  // namespace
}  // namespace wystrand::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
