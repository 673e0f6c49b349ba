// The agent binary end to end: on a private X server with private session and system buses, the
// test playing its controlling process.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QVariantMap>
#include <ostream>

#include "core/message/Protocol.h"
#include "e2e/Processes.h"

namespace wystrand::test {
namespace {

using Bus = Desktop::Bus;
using Lines = std::vector<std::string>;
const QString kAgent = WYSTRAND_AGENT;

TEST(AgentUsageTest, WithoutAPipeValueItPrintsTheUsageLineAndExits1) {
    for (const QStringList& args :
         {QStringList{}, QStringList{"--pipe"}, QStringList{"/x", "--pipe"},
          QStringList{"--pipe=/x"}, QStringList{"--PIPE", "/x"}}) {
        const RunResult result = run(QStringList{kAgent} + args, {{"DISPLAY", std::nullopt}});
        EXPECT_EQ(result.status, 1) << args.join(' ').toStdString();
        EXPECT_EQ(result.err, "wystrand-notify: --pipe <socket-path> is required\n");
        EXPECT_EQ(result.out, "");
    }
}

// The controlling process's side of the link: listens on a socket in a temporary directory and
// keeps every line the agent sends but heartbeats.
struct Controller {
    QTemporaryDir dir;
    QLocalServer server;
    QLocalSocket* link = nullptr;
    Lines lines;

    Controller() { server.listen(dir.filePath("agent.sock")); }
    bool accept() {
        return server.waitForNewConnection(10000) && (link = server.nextPendingConnection());
    }
    bool send(const std::string& line) {
        link->write((line + '\n').data(), qint64(line.size() + 1));
        return link->waitForBytesWritten();
    }
    // The record for `id` with event `ev`, received now or within `timeout`.
    std::optional<PipeMsg> waitFor(const char* ev, const std::string& id,
                                   std::chrono::milliseconds timeout = 10s) {
        const QDeadlineTimer deadline(timeout);
        for (std::size_t checked = 0;; ++checked) {
            while (checked == lines.size()) {
                if (link->canReadLine()) {
                    const std::string line = link->readLine().chopped(1).toStdString();
                    if (line != PipeMsg::heartbeat().encode()) {
                        lines.push_back(line);
                    }
                } else if (!link->waitForReadyRead(int(deadline.remainingTime()))) {
                    return std::nullopt;
                }
            }
            const auto record = PipeMsg::decode(lines[checked]);
            if (record && record->ev == ev && record->id == QString::fromStdString(id)) {
                return record;
            }
        }
    }
    // The events received so far for `id`, in order.
    Lines eventsFor(const std::string& id) const {
        Lines events;
        for (const std::string& line : lines) {
            const auto record = PipeMsg::decode(line);
            if (record && record->id == QString::fromStdString(id)) {
                events.push_back(record->ev.value_or("").toStdString());
            }
        }
        return events;
    }
};

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

    // Only the first --pipe counts; other arguments, Qt's own options among them, are ignored.
    void SetUp() override { startAgent(desktop->environment); }
    void startAgent(const EnvChanges& env) {
        agent_ = startChild({kAgent, "--pipe", controller_.server.fullServerName(), "--pipe",
                             "/elsewhere", "-display", ":9999", "-x"},
                            env);
        ASSERT_TRUE(controller_.accept());
    }
    // The agent did not crash and printed nothing.
    void TearDown() override {
        agent_->terminate();
        EXPECT_EQ(exitStatus(*agent_), 128 + SIGTERM);
        EXPECT_EQ(agent_->readAll().toStdString(), "");
    }

    // A card of 600 s is waited for until it is shown.
    void show(const std::string& id, const std::string& mode = "alert", int duration = 600) {
        ASSERT_TRUE(controller_.send(R"({"op":"show","id":")" + id + R"(","mode":")" + mode +
                                     R"(","duration":)" + std::to_string(duration) + "}"));
        if (duration == 600) {
            ASSERT_TRUE(controller_.waitFor("ready", id)) << id << " was not shown";
        }
    }
    void dismiss(const std::string& id) {
        ASSERT_TRUE(controller_.send(R"({"op":"dismiss","id":")" + id + R"("})"));
    }
    std::optional<std::int64_t> result(const std::string& id,
                                       std::chrono::milliseconds timeout = 10s) {
        const auto record = controller_.waitFor("result", id, timeout);
        return record ? record->code : std::nullopt;
    }

    // Sends `message` until `id` has ended: the agent subscribes shortly after it connects.
    std::optional<std::int64_t> sendUntilEnded(Bus bus, const QDBusMessage& message,
                                               const std::string& id) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            desktop->connection(bus).send(message);
            if (const auto code = result(id, 200ms)) {
                return code;
            }
        }
        return std::nullopt;
    }

    // Once every message sent on `bus` has reached the agent, a probe card shown and dismissed
    // ends only after whatever those messages started: the agent handles bus signals and socket
    // requests on its main thread in arrival order.
    void settle(Bus bus) {
        ASSERT_TRUE(desktop->syncWith(bus, agent_->processId()));
        const std::string probe = "probe" + std::to_string(++probes_);
        show(probe);
        dismiss(probe);
        EXPECT_EQ(result(probe), 2);
    }

    Controller controller_;
    std::unique_ptr<QProcess> agent_;
    int probes_ = 0;
};

TEST_F(AgentTest, EachModeIsReadyThenReportsItsCode) {
    show("alert", "alert", 0);
    show("info", "info", 0);
    show("countdown", "countdown", 1);
    for (const auto& [id, code] : {std::pair{"alert", 2}, {"info", 0}, {"countdown", 0}}) {
        EXPECT_EQ(result(id), code) << id;
        EXPECT_EQ(controller_.eventsFor(id), (Lines{"ready", "result"})) << id;
    }
}

TEST_F(AgentTest, ADismissedCardReportsCode2Once) {
    show("a");
    dismiss("a");
    dismiss("a");
    dismiss("nobody");
    EXPECT_EQ(result("a"), 2);
    // Requests are handled in order: once a later card has ended, nothing more can come for "a".
    show("later", "info", 0);
    EXPECT_EQ(result("later"), 0);
    EXPECT_EQ(controller_.eventsFor("a"), (Lines{"ready", "result"}));
    EXPECT_EQ(controller_.eventsFor("nobody"), Lines{});
}

TEST_F(AgentTest, BadLinesAreIgnoredWhileGoodOnesAreAnswered) {
    for (const std::string line :
         {"not json", "[1,2]", "42", R"({"op":"show","id":"string-duration","duration":"5"})",
          R"({"op":"show","id":"numeric-sound","sound":1})", R"({"op":"SHOW","id":"capitals"})",
          R"({"op":"Ping"})", R"({"op":"show","mode":"info"})", R"({"ev":"hb"})",
          "{\"op\":\"show\",\"id\":\"bad-utf8-\xff\"}", R"({"op":"show","id":"unterminated")"}) {
        ASSERT_TRUE(controller_.send(line));
    }
    ASSERT_TRUE(controller_.send(R"({"op":"ping","id":"p1"})"));
    ASSERT_TRUE(
        controller_.send("  {\"op\":\"show\",\"id\":\"good\",\"mode\":\"info\",\"duration\":0}\r"));
    EXPECT_EQ(result("good"), 0);
    EXPECT_EQ(controller_.lines, (Lines{R"({"ev":"pong"})", R"({"id":"good","ev":"ready"})",
                                        R"({"id":"good","ev":"result","code":0})"}));
}

QDBusMessage signal(const QString& path, const QString& interface, const QString& member,
                    const QVariant& arg) {
    return QDBusMessage::createSignal(path, interface, member) << arg;
}
QDBusMessage screenSaver(const QString& vendor, bool active) {
    return signal("/org/freedesktop/ScreenSaver", "org." + vendor + ".ScreenSaver", "ActiveChanged",
                  active);
}
QDBusMessage sleep(bool start) {
    return signal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep",
                  start);
}
QDBusMessage lock(const QString& session) {
    return QDBusMessage::createSignal("/org/freedesktop/login1/session/" + session,
                                      "org.freedesktop.login1.Session", "Lock");
}
QDBusMessage active(const QString& session, bool active) {
    return signal("/org/freedesktop/login1/session/" + session, "org.freedesktop.DBus.Properties",
                  "PropertiesChanged", "org.freedesktop.login1.Session")
           << QVariantMap{{"Active", active}} << QStringList{};
}

struct SessionSignal {
    const char* name;
    Bus bus;
    QDBusMessage message;
    // For a signal that must leave the cards: one that closes them, heard by the same listener,
    // to know that the listener is up.
    std::optional<QDBusMessage> closing;
    friend void PrintTo(const SessionSignal& s, std::ostream* out) { *out << s.name; }
};

// The own session is "_33" (id "3").
const std::vector<SessionSignal> kSessionSignals{
    {"ScreenSaverOn", Bus::session, screenSaver("freedesktop", true), {}},
    {"GnomeScreenSaverOn", Bus::session, screenSaver("gnome", true), {}},
    {"GoingToSleep", Bus::system, sleep(true), {}},
    {"OwnSessionLocked", Bus::system, lock("_33"), {}},
    {"OwnSessionInactive", Bus::system, active("_33", false), {}},
    {"ScreenSaverOff", Bus::session, screenSaver("freedesktop", false),
     screenSaver("freedesktop", true)},
    {"GnomeScreenSaverOff", Bus::session, screenSaver("gnome", false), screenSaver("gnome", true)},
    {"WakingUp", Bus::system, sleep(false), sleep(true)},
    {"OtherSessionLocked", Bus::system, lock("_34"), lock("_33")},
    {"OtherSessionInactive", Bus::system, active("_34", false), active("_33", false)},
    {"OwnSessionActive", Bus::system, active("_33", true), active("_33", false)},
};

class SessionSignalTest : public AgentTest, public ::testing::WithParamInterface<SessionSignal> {};

TEST_P(SessionSignalTest, ClosesEveryCardWithCode2OrLeavesThemAll) {
    const SessionSignal& s = GetParam();
    if (s.closing) {
        show("first");
        ASSERT_EQ(sendUntilEnded(s.bus, *s.closing, "first"), 2);
        settle(s.bus);
        show("kept");
        desktop->connection(s.bus).send(s.message);
        settle(s.bus);
        EXPECT_EQ(controller_.eventsFor("kept"), Lines{"ready"});
        return;
    }
    show("a");
    show("b");
    show("c");
    EXPECT_EQ(sendUntilEnded(s.bus, s.message, "a"), 2);
    EXPECT_EQ(result("b"), 2);
    EXPECT_EQ(result("c"), 2);
    settle(s.bus);
    for (const char* id : {"a", "b", "c"}) {
        EXPECT_EQ(controller_.eventsFor(id), (Lines{"ready", "result"})) << id;
    }
}

INSTANTIATE_TEST_SUITE_P(, SessionSignalTest, ::testing::ValuesIn(kSessionSignals),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wystrand::test
