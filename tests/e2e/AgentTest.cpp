// The agent binary end to end, on a private desktop, the test playing its controlling process.
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

using Lines = std::vector<std::string>;
const QString kAgent = WYSTRAND_AGENT;

TEST(AgentUsageTest, WithoutAPipeValueItPrintsTheUsageLineAndExits1) {
    for (const QStringList& args :
         {QStringList{}, QStringList{"--pipe"}, QStringList{"--pipe=/x"}}) {
        const RunResult result = run(QStringList{kAgent} + args, {{"DISPLAY", std::nullopt}});
        EXPECT_EQ(result.status, 1) << args.join(' ').toStdString();
        EXPECT_EQ(result.err, "wystrand-notify: --pipe <socket-path> is required\n");
        EXPECT_EQ(result.out, "");
    }
}

class AgentTest : public DesktopTest {
protected:
    // Only the first --pipe counts; other arguments, Qt's own options among them, are ignored.
    void SetUp() override {
        ASSERT_TRUE(server_.listen(dir_.filePath("agent.sock")));
        agent_ = startChild({kAgent, "--pipe", server_.fullServerName(), "--pipe", "/elsewhere",
                             "-display", ":9999", "-x"},
                            environment);
        ASSERT_TRUE(server_.waitForNewConnection(10000));
        link_ = server_.nextPendingConnection();
    }
    // The agent did not crash and printed nothing.
    void TearDown() override {
        agent_->terminate();
        EXPECT_EQ(exitStatus(*agent_), 128 + SIGTERM);
        EXPECT_EQ(agent_->readAll().toStdString(), "");
    }

    void send(const std::string& line) {
        link_->write((line + '\n').data(), qint64(line.size() + 1));
        ASSERT_TRUE(link_->waitForBytesWritten());
    }
    std::optional<PipeMsg> waitFor(const char* ev, const std::string& id,
                                   std::chrono::milliseconds timeout = 10s) {
        for (const QDeadlineTimer deadline(timeout);;) {
            for (const std::string& line : lines_) {
                const auto record = PipeMsg::decode(line);
                if (record && record->ev == ev && record->id == QString::fromStdString(id)) {
                    return record;
                }
            }
            if (!link_->waitForReadyRead(int(deadline.remainingTime()))) {
                return std::nullopt;
            }
            while (link_->canReadLine()) {
                lines_.push_back(link_->readLine().chopped(1).toStdString());
                if (lines_.back() == PipeMsg::heartbeat().encode()) {
                    lines_.pop_back();
                }
            }
        }
    }
    Lines eventsFor(const std::string& id) const {
        Lines events;
        for (const std::string& line : lines_) {
            const auto record = PipeMsg::decode(line);
            if (record && record->id == QString::fromStdString(id)) {
                events.push_back(record->ev.value_or("").toStdString());
            }
        }
        return events;
    }

    void show(const std::string& id, const std::string& mode = "alert", int duration = 600) {
        send(R"({"op":"show","id":")" + id + R"(","mode":")" + mode + R"(","duration":)" +
             std::to_string(duration) + "}");
        if (duration == 600) {
            ASSERT_TRUE(waitFor("ready", id)) << id << " was not shown";
        }
    }
    void dismiss(const std::string& id) { send(R"({"op":"dismiss","id":")" + id + R"("})"); }
    std::optional<std::int64_t> result(const std::string& id,
                                       std::chrono::milliseconds timeout = 10s) {
        const auto record = waitFor("result", id, timeout);
        return record ? record->code : std::nullopt;
    }

    // Sends `message` until `id` has ended: the agent subscribes shortly after it connects.
    std::optional<std::int64_t> sendUntilEnded(Bus bus, const QDBusMessage& message,
                                               const std::string& id) {
        std::optional<std::int64_t> code;
        for (int attempt = 0; attempt < 50 && !code; ++attempt) {
            connection(bus).send(message);
            code = result(id, 200ms);
        }
        return code;
    }

    // Once every message sent on `bus` has reached the agent, a probe card shown and dismissed
    // ends only after whatever those messages started: the agent handles bus signals and socket
    // requests on its main thread in arrival order.
    void settle(Bus bus) {
        ASSERT_TRUE(syncWith(bus, agent_->processId()));
        const std::string probe = "probe" + std::to_string(++probes_);
        show(probe);
        dismiss(probe);
        EXPECT_EQ(result(probe), 2);
    }

    QTemporaryDir dir_;
    QLocalServer server_;
    QLocalSocket* link_ = nullptr;
    Lines lines_;
    std::unique_ptr<QProcess> agent_;
    int probes_ = 0;
};

TEST_F(AgentTest, EachModeIsReadyThenReportsItsCodeOnceDismissedOrNot) {
    show("dismissed");
    dismiss("dismissed");
    dismiss("dismissed");
    dismiss("nobody");
    show("alert", "alert", 0);
    show("info", "info", 0);
    show("countdown", "countdown", 1);
    // Requests are handled in order: once a later card has ended, nothing more can come for the
    // earlier ones.
    for (const auto& [id, code] :
         {std::pair{"countdown", 0}, {"info", 0}, {"alert", 2}, {"dismissed", 2}}) {
        EXPECT_EQ(result(id), code) << id;
        EXPECT_EQ(eventsFor(id), (Lines{"ready", "result"})) << id;
    }
    EXPECT_EQ(eventsFor("nobody"), Lines{});
}

TEST_F(AgentTest, BadLinesAreIgnoredWhileGoodOnesAreAnswered) {
    for (const std::string line :
         {"not json", "[1,2]", "42", R"({"op":"show","id":"string-duration","duration":"5"})",
          R"({"op":"show","id":"numeric-sound","sound":1})", R"({"op":"SHOW","id":"capitals"})",
          R"({"op":"Ping"})", R"({"op":"show","mode":"info"})", R"({"ev":"hb"})",
          "{\"op\":\"show\",\"id\":\"bad-utf8-\xff\"}", R"({"op":"show","id":"unterminated")",
          R"({"op":"ping","id":"p1"})",
          "  {\"op\":\"show\",\"id\":\"good\",\"mode\":\"info\",\"duration\":0}\r"}) {
        send(line);
    }
    EXPECT_EQ(result("good"), 0);
    EXPECT_EQ(lines_, (Lines{R"({"ev":"pong"})", R"({"id":"good","ev":"ready"})",
                             R"({"id":"good","ev":"result","code":0})"}));
}

template <typename... Args>
QDBusMessage signal(const QString& path, const QString& interface, const QString& member,
                    const Args&... args) {
    return (QDBusMessage::createSignal(path, interface, member) << ... << QVariant(args));
}
QDBusMessage screenSaver(bool active, const QString& vendor = "freedesktop") {
    return signal("/org/freedesktop/ScreenSaver", "org." + vendor + ".ScreenSaver", "ActiveChanged",
                  active);
}
QDBusMessage sleep(bool start) {
    return signal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep",
                  start);
}
QDBusMessage lock(const QString& session) {
    return signal("/org/freedesktop/login1/session/" + session, "org.freedesktop.login1.Session",
                  "Lock");
}
QDBusMessage changed(const QString& session, const QVariantMap& values,
                     const QString& interface = "org.freedesktop.login1.Session") {
    return signal("/org/freedesktop/login1/session/" + session, "org.freedesktop.DBus.Properties",
                  "PropertiesChanged", interface, values, QStringList{});
}

struct SessionSignal {
    const char* name;
    Bus bus;
    QDBusMessage closing;
    // Heard by the same listener, these must leave the cards.
    std::vector<QDBusMessage> ignored;
    friend void PrintTo(const SessionSignal& s, std::ostream* out) { *out << s.name; }
};

// The own session is "_33" (id "3").
const std::vector<SessionSignal> kSessionSignals{
    {"ScreenSaver", Bus::session, screenSaver(true), {screenSaver(false)}},
    {"GnomeScreenSaver", Bus::session, screenSaver(true, "gnome"), {screenSaver(false, "gnome")}},
    {"Sleep", Bus::system, sleep(true), {sleep(false)}},
    {"OwnSessionLock", Bus::system, lock("_33"), {lock("_34"), lock("3")}},
    {"OwnSessionInactive",
     Bus::system,
     changed("_33", {{"Active", false}}),
     {changed("_34", {{"Active", false}}), changed("_33", {{"Active", true}}),
      changed("_33", {{"Active", 0}}), changed("_33", {{"IdleHint", false}}),
      changed("_33", {{"Active", false}}, "org.example.Other")}},
};

class SessionSignalTest : public AgentTest, public ::testing::WithParamInterface<SessionSignal> {};

TEST_P(SessionSignalTest, ClosesEveryCardWithCode2WhileItsCounterpartsLeaveThem) {
    const SessionSignal& s = GetParam();
    show("a");
    show("b");
    show("c");
    EXPECT_EQ(sendUntilEnded(s.bus, s.closing, "a"), 2);
    EXPECT_EQ(result("b"), 2);
    EXPECT_EQ(result("c"), 2);
    settle(s.bus);
    for (const char* id : {"a", "b", "c"}) {
        EXPECT_EQ(eventsFor(id), (Lines{"ready", "result"})) << id;
    }
    show("kept");
    for (const QDBusMessage& message : s.ignored) {
        connection(s.bus).send(message);
        settle(s.bus);
        EXPECT_EQ(eventsFor("kept"), Lines{"ready"}) << message.member().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(, SessionSignalTest, ::testing::ValuesIn(kSessionSignals),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wystrand::test
