// The agent binary on a private desktop with a settings portal and a screen reader: the test
// plays the controlling process, the portal and the screen reader's probe.
#include <gtest/gtest.h>

#include <QColor>
#include <QDBusConnectionInterface>
#include <QDBusVariant>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "core/message/Protocol.h"
#include "e2e/Processes.h"
#include "support/FakePortal.h"

namespace wystrand::test {
namespace {

const QString kAgent = WYSTRAND_AGENT;
const QString kProbe = WYSTRAND_SOURCE_DIR "/tests/support/atspi_probe.py";

// Runs the event loop, which serves the portal and reads the socket, until `done` holds.
template <typename Predicate>
bool spinUntil(Predicate done, std::chrono::milliseconds timeout = 10s) {
    for (const QDeadlineTimer deadline(timeout); !done();) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}

class AgentDesktopTest : public DesktopTest {
protected:
    void SetUp() override { ASSERT_TRUE(server_.listen(dir_.filePath("agent.sock"))); }
    void TearDown() override {
        if (agent_) {
            agent_->terminate();
            EXPECT_EQ(exitStatus(*agent_), 128 + SIGTERM) << "the agent kept running";
        }
    }

    void startAgent(const EnvChanges& extra = {}) {
        EnvChanges env = environment;
        env.insert(extra.begin(), extra.end());
        agent_ = startChild({kAgent, "--pipe", server_.fullServerName()}, env);
        ASSERT_TRUE(spinUntil([&] { return server_.hasPendingConnections(); }));
        link_ = server_.nextPendingConnection();
    }
    void send(const std::string& line) { link_->write((line + '\n').c_str()); }
    // A card with short texts, so that its top right corner shows only the material.
    void showInfo(const std::string& id) {
        send(R"({"op":"show","id":")" + id +
             R"(","mode":"info","title":"T","message":"M","duration":600})");
        ASSERT_TRUE(event(id, "ready"));
    }
    std::optional<PipeMsg> event(const std::string& id, const char* ev) {
        std::optional<PipeMsg> found;
        spinUntil([&] {
            while (link_->canReadLine()) {
                const auto record = PipeMsg::decode(link_->readLine().chopped(1).toStdString());
                if (record && record->id == QString::fromStdString(id) && record->ev == ev) {
                    found = record;
                }
            }
            return found.has_value();
        });
        return found;
    }
    QColor pixel(int x, int y) const {
        const RunResult shot =
            run({"import", "-window", "root", "-crop", QString("1x1+%1+%2").arg(x).arg(y), "txt:-"},
                environment);
        return QColor(
            QRegularExpression("#[0-9A-F]{6}").match(QString::fromStdString(shot.out)).captured());
    }
    // The material near the top right corner of the card whose top is at `top`.
    QColor material(int top) const { return pixel(1400, top + 12); }
    bool cardIs(int top, bool dark) {
        return spinUntil([&] {
            const int lightness = material(top).lightness();
            return dark ? lightness < 64 : lightness > 224;
        });
    }

    QTemporaryDir dir_;
    QLocalServer server_;
    QLocalSocket* link_ = nullptr;
    std::unique_ptr<QProcess> agent_;
};

constexpr bool kDark = true, kLight = false;

TEST_F(AgentDesktopTest, CardsFollowThePortalsColourSchemeLive) {
    FakePortal portal(*environment.at("DBUS_SESSION_BUS_ADDRESS"), 1);
    ASSERT_TRUE(portal.start());
    portal.set(kColorScheme, 1u);
    startAgent();
    ASSERT_TRUE(spinUntil([&] { return portal.reads() >= 4; }));
    showInfo("a");
    EXPECT_TRUE(cardIs(8, kDark));
    portal.change(kColorScheme, 2u);
    EXPECT_TRUE(cardIs(8, kLight)) << "turned light on screen";
    portal.change(kColorScheme, 1u);
    showInfo("b");
    EXPECT_TRUE(cardIs(96, kDark)) << "a new card takes the scheme";
    EXPECT_TRUE(cardIs(8, kDark));
}

// GNOME's setting: the card appears at its place instead of sliding in from the right, where the
// slide would have shown it on the way (right of 1428, the resting right edge).
TEST_F(AgentDesktopTest, WithoutAnimationsTheCardAppearsInPlace) {
    FakePortal portal(*environment.at("DBUS_SESSION_BUS_ADDRESS"), 1);
    ASSERT_TRUE(portal.start());
    portal.set(kGnomeAnimations, false);
    startAgent();
    ASSERT_TRUE(spinUntil([&] { return portal.reads() >= 4; }));
    showInfo("a");
    bool seenOnTheWay = false;
    EXPECT_TRUE(spinUntil([&] {
        seenOnTheWay = seenOnTheWay || pixel(1435, 20).lightness() > 224;
        return pixel(1120, 20).lightness() > 224;
    }));
    EXPECT_FALSE(seenOnTheWay);
}

// A portal that refuses every call, then announces values of the wrong type or shape.
TEST_F(AgentDesktopTest, AFaultyPortalLeavesTodaysLook) {
    FakePortal portal(*environment.at("DBUS_SESSION_BUS_ADDRESS"), 2);
    ASSERT_TRUE(portal.start());
    portal.refuse(true);
    startAgent();
    ASSERT_TRUE(spinUntil([&] { return portal.reads() >= 4; }));
    portal.change(kColorScheme, "dark");
    portal.change(kColorScheme, QVariant::fromValue(QDBusVariant(QVariant::fromValue(
                                    QDBusVariant(QVariant::fromValue(QDBusVariant(1u)))))));
    ASSERT_TRUE(syncWith(Bus::session, agent_->processId()));
    showInfo("a");
    spinUntil([] { return false; }, 500ms);
    EXPECT_EQ(material(8), QColor(0xef, 0xef, 0xef)) << "the application palette";
}

TEST_F(AgentDesktopTest, AScreenReaderHearsTheCardAndPressesItsButton) {
    const auto launcher =
        startChild({"/usr/libexec/at-spi-bus-launcher", "--launch-immediately"}, environment);
    ASSERT_TRUE(spinUntil([&] {
        return connection(Bus::session).interface()->isServiceRegistered("org.a11y.Bus").value();
    })) << "at-spi-bus-launcher (at-spi2-core) did not start";
    startAgent({{"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"}});
    const auto probe =
        startChild({"/usr/bin/python3", kProbe, "wystrand-notify", "Take a break"}, environment);
    std::vector<QJsonObject> heard;
    const auto hear = [&](const char* key) {
        return spinUntil(
            [&] {
                while (probe->canReadLine()) {
                    heard.push_back(QJsonDocument::fromJson(probe->readLine()).object());
                }
                return !heard.empty() && heard.back().contains(key);
            },
            20s);
    };
    ASSERT_TRUE(hear("ready")) << probe->readAllStandardError().toStdString();
    send(R"({"op":"show","id":"a","mode":"alert","title":"Eye break","message":"Look away",)"
         R"("detail":"20 s","primary":"Take a break","secondary":"Later","duration":600})");
    ASSERT_TRUE(hear("pressed")) << probe->readAllStandardError().toStdString();
    const QJsonObject card = heard.at(heard.size() - 2);
    EXPECT_EQ(card["showing"].toInt(), 1) << "the card is spoken once";
    EXPECT_EQ(card["name"].toString(), "Eye break");
    EXPECT_EQ(card["description"].toString(), "Look away\n20 s");
    EXPECT_EQ(card["buttons"].toArray(), (QJsonArray{"Later", "Take a break"}));
    const auto result = event("a", "result");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->code, 0);
    EXPECT_EQ(exitStatus(*probe), 0);
    launcher->terminate();
    exitStatus(*launcher);
}

}  // namespace
}  // namespace wystrand::test
