// The agent binary end to end on a private desktop, the test playing its controlling process and,
// where a case needs them, the session bus's screen saver, the settings portal and a screen reader.
#include <gtest/gtest.h>

#include <QColor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <tuple>

#include "core/context/Context.h"
#include "support/ControllerPeer.h"
#include "support/FakeService.h"
#include "support/Processes.h"
#include "support/Wait.h"

namespace wystrand::test {
namespace {

using Records = std::vector<std::string>;
const QString kAgent = WYSTRAND_AGENT;
constexpr auto kPatience = ControllerPeer::kPatience;

class AgentTest : public DesktopTest {
protected:
    // Only the first --pipe counts; other arguments, Qt's own options among them, are ignored.
    void start(const EnvChanges& extra = {}) {
        EnvChanges env = environment;
        for (const auto& [name, value] : extra) {
            env[name] = value;
        }
        agent_ = startChild({kAgent, "--pipe", QString::fromStdString(peer_.path()), "--pipe",
                             "/elsewhere", "-display", ":9999", "-x"},
                            env);
        ASSERT_TRUE(peer_.accept()) << "the agent did not connect";
    }
    // The agent did not crash and printed nothing.
    void TearDown() override {
        if (agent_) {
            agent_->terminate();
            EXPECT_EQ(exitStatus(*agent_), 128 + SIGTERM);
            EXPECT_EQ(
                agent_->readAll().toStdString() + agent_->readAllStandardError().toStdString(), "");
        }
    }

    void show(const PipeMsg& card) {
        ASSERT_TRUE(peer_.send(card));
        ASSERT_TRUE(peer_.waitFor("ready", *card.id)) << card.id->toStdString() << " unshown";
    }
    std::optional<std::int64_t> result(const QString& id,
                                       std::chrono::milliseconds timeout = kPatience) {
        const auto record = peer_.waitFor("result", id, timeout);
        return record ? record->code : std::nullopt;
    }
    void screenSaverOn() {
        sessionBus().send(QDBusMessage::createSignal("/org/freedesktop/ScreenSaver",
                                                     "org.freedesktop.ScreenSaver", "ActiveChanged")
                          << true);
    }
    // Turns the screen saver on until `id` has ended: the agent subscribes shortly after it
    // connects.
    std::optional<std::int64_t> screenSaverEnds(const QString& id) {
        std::optional<std::int64_t> code;
        for (int attempt = 0; attempt < 50 && !code; ++attempt) {
            screenSaverOn();
            code = result(id, 200ms);
        }
        return code;
    }
    QColor pixel(int x, int y) const {
        const RunResult shot =
            run({"import", "-window", "root", "-crop", QString("1x1+%1+%2").arg(x).arg(y), "txt:-"},
                environment);
        return QColor(
            QRegularExpression("#[0-9A-F]{6}").match(QString::fromStdString(shot.out)).captured());
    }
    // The agent's mapped windows that overlap the screen, once they are `count`: the window made
    // ahead for the next card waits mapped too, out of sight.
    bool cardsOnScreen(int count) {
        static const QRegularExpression shape(R"(X=(-?\d+)\nY=(-?\d+)\nWIDTH=(\d+)\nHEIGHT=(\d+))");
        return waitUntil(
            [&] {
                const RunResult windows = run({"xdotool", "search", "--all", "--onlyvisible",
                                               "--pid", QString::number(agent_->processId()),
                                               "--name", "", "getwindowgeometry", "--shell", "%@"},
                                              environment);
                int shown = 0;
                for (const auto& m : shape.globalMatch(QString::fromStdString(windows.out))) {
                    const int x = m.captured(1).toInt(), y = m.captured(2).toInt();
                    shown += x + m.captured(3).toInt() > 0 && x < 1440 &&
                             y + m.captured(4).toInt() > 0 && y < 875;
                }
                return shown == count;
            },
            kPatience);
    }

    QTemporaryDir dir_;
    ControllerPeer peer_{dir_.filePath("agent.sock").toStdString()};
    std::unique_ptr<QProcess> agent_;
};

// A controller that stops reading must not hold the cards up: they close on their timers and on
// dismiss-all (here the screen saver's) meanwhile, and once it reads again every record comes,
// once and in order.
TEST_F(AgentTest, CardsCloseOnTheirTimersAndOnDismissAllWhileTheControllerDoesNotRead) {
    start();
    show(showRequest("probe"));
    ASSERT_EQ(screenSaverEnds("probe"), 2) << "dismiss-all unheard";
    const auto before = std::ptrdiff_t(peer_.records().size());
    show(showRequest("kept"));
    show(showRequest("timer", "info", 2));
    ASSERT_TRUE(cardsOnScreen(2));
    // From here on nothing is read: the agent's answers, far more than the socket holds, wait.
    peer_.setReading(false);
    constexpr int kPings = 100000;
    std::string pings;
    for (int i = 0; i < kPings; ++i) {
        pings += request("ping").encode() + '\n';
    }
    ASSERT_TRUE(peer_.sendBytes(pings)) << "the agent stopped reading";
    EXPECT_TRUE(cardsOnScreen(1)) << "the timer's card did not close";
    screenSaverOn();
    EXPECT_TRUE(cardsOnScreen(0)) << "dismiss-all left a card";
    peer_.setReading(true);
    ASSERT_TRUE(result("kept"));
    Records events(peer_.records().begin() + before, peer_.records().end());
    EXPECT_EQ(std::erase(events, PipeMsg::pong().encode()), std::size_t(kPings));
    EXPECT_EQ(events,
              (Records{PipeMsg::ready("kept").encode(), PipeMsg::ready("timer").encode(),
                       PipeMsg::result("timer", 0).encode(), PipeMsg::result("kept", 2).encode()}));
}

// The desktop's look from GNOME's settings through the real settings portal and its GNOME backend,
// seen in the screen's pixels: the colour scheme of every change, and the switch for animations.
TEST_F(AgentTest, CardsTakeThePortalsColourSchemeLiveAndItsReducedMotion) {
    if (!buses_->offer({"ca.desrt.dconf", "org.freedesktop.portal.Desktop",
                        "org.freedesktop.impl.portal.desktop.gnome",
                        "org.freedesktop.impl.portal.PermissionStore"},
                       "XDG_CURRENT_DESKTOP=GNOME DISPLAY=" + *environment.at("DISPLAY")) ||
        QStandardPaths::findExecutable("gsettings").isEmpty()) {
        GTEST_SKIP() << "the portal, dconf or gsettings missing (scripts/deps test installs them)";
    }
    const auto set = [&](const char* key, const char* value) {
        ASSERT_EQ(run({"gsettings", "set", "org.gnome.desktop.interface", key, value}, environment)
                      .status,
                  0);
    };
    ASSERT_TRUE(sessionBus().interface()->startService("org.freedesktop.portal.Desktop").isValid());
    start();
    // Info cards with short texts, so that their top right corners show only the material.
    const auto showInfo = [&](const QString& id) {
        PipeMsg card = showRequest(id, "info");
        std::tie(card.title, card.message) = std::tuple("T", "M");
        show(card);
    };
    const auto cardIs = [&](int top, bool dark) {
        return waitUntil(
            [&] {
                const int lightness = pixel(1400, top + 12).lightness();
                return dark ? lightness < 64 : lightness > 224;
            },
            10s);
    };
    showInfo("a");
    EXPECT_TRUE(cardIs(8, false));
    // The portal passes GNOME's changes on in order: once the card is dark, animations are off.
    set("enable-animations", "false");
    set("color-scheme", "prefer-dark");
    EXPECT_TRUE(cardIs(8, true)) << "turned dark on screen";
    set("color-scheme", "prefer-light");
    EXPECT_TRUE(cardIs(8, false)) << "turned light on screen";
    // At its place at once instead of sliding in from the right, where the slide would have shown
    // it on the way (right of 1428, the resting right edge).
    showInfo("b");
    bool seenOnTheWay = false;
    EXPECT_TRUE(waitUntil(
        [&] {
            seenOnTheWay = seenOnTheWay || pixel(1435, 108).lightness() > 224;
            return pixel(1120, 108).lightness() > 224;
        },
        10s));
    EXPECT_FALSE(seenOnTheWay);
}

TEST_F(AgentTest, AScreenReaderHearsTheCardAndPressesItsButton) {
    const auto launcher =
        startChild({"/usr/libexec/at-spi-bus-launcher", "--launch-immediately"}, environment);
    ASSERT_TRUE(waitUntil(
        [&] { return sessionBus().interface()->isServiceRegistered("org.a11y.Bus").value(); }, 10s))
        << "at-spi-bus-launcher (at-spi2-core) did not start";
    start({{"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"}});
    const auto probe =
        startChild({"/usr/bin/python3", WYSTRAND_SOURCE_DIR "/tests/support/atspi_probe.py",
                    "wystrand-notify", "Rock & Roll"},
                   environment);
    std::vector<QJsonObject> heard;
    const auto hear = [&](const char* key) {
        return waitUntil(
            [&] {
                while (probe->canReadLine()) {
                    heard.push_back(QJsonDocument::fromJson(probe->readLine()).object());
                }
                return !heard.empty() && heard.back().contains(key);
            },
            kPatience);
    };
    ASSERT_TRUE(hear("ready")) << probe->readAllStandardError().toStdString();
    PipeMsg card = showRequest("a");
    std::tie(card.title, card.message, card.detail, card.primary, card.secondary) =
        std::tuple("Eye break", "Look away", "20 s", "Rock & Roll", "Later");
    ASSERT_TRUE(peer_.send(card));
    ASSERT_TRUE(hear("pressed")) << probe->readAllStandardError().toStdString();
    const QJsonObject read = heard.at(heard.size() - 2);
    EXPECT_EQ(read["showing"].toInt(), 1) << "the card is spoken once";
    EXPECT_EQ(read["name"].toString(), "Eye break");
    EXPECT_EQ(read["description"].toString(), "Look away\n20 s");
    EXPECT_EQ(read["buttons"].toArray(), (QJsonArray{"Later", "Rock & Roll"}));
    EXPECT_EQ(result("a"), 0);
    EXPECT_EQ(exitStatus(*probe), 0);
    launcher->terminate();
    exitStatus(*launcher);
}

// Do-not-disturb on (KDE's notification server says so): a watching controller hears it, a card
// that may wait waits without its time running, one that may not shows at once, and the waiting
// ones end on dismiss or dismiss-all, or show when the person is free.
TEST_F(AgentTest, CardsThatMayWaitWaitWhileThePersonIsBusy) {
    FakeService kde(buses_->sessionAddress(), "org.freedesktop.Notifications",
                    "/org/freedesktop/Notifications");
    const auto inhibit = [&](bool on) {
        kde.set("org.freedesktop.Notifications", "Inhibited", on);
    };
    inhibit(true);
    ASSERT_TRUE(kde.start());
    start();
    const auto hold = [&](const char* id, std::int64_t duration = 600) {
        PipeMsg card = showRequest(id, "info", duration);
        card.hold = true;
        ASSERT_TRUE(peer_.send(card));
        ASSERT_TRUE(peer_.waitFor("held", id)) << id;
    };
    const auto heard = [&](const Context& c, int times = 1) {
        return peer_.waitUntil([&] { return peer_.count(PipeMsg::busyOrFree(c)) == times; });
    };
    ASSERT_TRUE(peer_.send(request("watch")));
    ASSERT_TRUE(heard({.doNotDisturb = true}));
    hold("held", 2);
    hold("dismissed");
    show(showRequest("now"));
    ASSERT_TRUE(peer_.send(request("dismiss", "dismissed")));
    EXPECT_EQ(result("dismissed"), 2);
    // Longer than the held card's own time: it would end as soon as shown, had its time run.
    QTest::qWait(2500);
    inhibit(false);
    ASSERT_TRUE(heard({}));
    ASSERT_TRUE(peer_.waitFor("ready", "held"));
    QElapsedTimer shown;
    shown.start();
    EXPECT_EQ(result("held"), 0);
    EXPECT_GT(shown.elapsed(), 1500) << "its time ran while it waited";
    EXPECT_EQ(peer_.count(PipeMsg::ready("dismissed")), 0);

    inhibit(true);
    ASSERT_TRUE(heard({.doNotDisturb = true}, 2));
    hold("late");
    EXPECT_EQ(screenSaverEnds("late"), 2);
}

}  // namespace
}  // namespace wystrand::test
