// The agent binary end to end on a private desktop, the test playing its controlling process and,
// where a case needs them, the session bus's screen saver, the settings portal and a screen reader.
#include <gtest/gtest.h>

#include <QColor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariantList>
#include <algorithm>
#include <map>
#include <tuple>

#include "core/context/Context.h"
#include "support/ControllerPeer.h"
#include "support/FakeService.h"
#include "support/Processes.h"
#include "support/Wait.h"
#include "support/WaylandServer.h"

namespace wystrand::test {
namespace {

using Records = std::vector<std::string>;
const QString kAgent = WYSTRAND_AGENT;
const QString kCtl = WYSTRAND_CTL;
constexpr auto kPatience = ControllerPeer::kPatience;

class AgentTest : public DesktopTest {
protected:
    // Only the first --pipe counts; other arguments, Qt's own options among them, are ignored.
    void start(const EnvChanges& extra = {}) {
        EnvChanges env = extra;
        env.insert(environment.begin(), environment.end());  // what `extra` sets stays
        agent_ = startChild({kAgent, "--pipe", QString::fromStdString(peer_.path()), "--pipe",
                             "/elsewhere", "-display", ":9999", "-x"},
                            env);
        ASSERT_TRUE(peer_.accept()) << "the agent did not connect";
    }
    // The agent did not crash and printed nothing.
    void TearDown() override {
        for (QProcess* desktop : {windowManager_.get(), terminal_.get(), keyboard_.get()}) {
            desktop ? stopDaemon(*desktop) : void();
        }
        if (agent_) {
            agent_->terminate();
            EXPECT_EQ(exitStatus(*agent_), 128 + SIGTERM);
            EXPECT_EQ(
                agent_->readAll().toStdString() + agent_->readAllStandardError().toStdString(), "");
        }
        accessibility_ ? stopDaemon(*accessibility_) : void();
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
        testBus().send(QDBusMessage::createSignal("/org/freedesktop/ScreenSaver",
                                                  "org.freedesktop.ScreenSaver", "ActiveChanged")
                       << true);
    }
    // Turns the screen saver on until `id` has ended: the agent subscribes soon after it connects.
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

    void startAccessibilityBus() {
        // It keeps whether a screen reader runs in GSettings: in memory here, where no dconf runs.
        EnvChanges env = environment;
        env["GSETTINGS_BACKEND"] = "memory";
        accessibility_ =
            startChild({"/usr/libexec/at-spi-bus-launcher", "--launch-immediately"}, env);
        EXPECT_TRUE(waitUntil(
            [&] { return testBus().interface()->isServiceRegistered("org.a11y.Bus").value(); },
            10s))
            << "at-spi-bus-launcher (at-spi2-core) did not start";
        // Without the bus's address on the root window programs ask the session bus for it, and
        // their accessibility comes up a while after they start, as on most desktops.
        run({"xprop", "-root", "-remove", "AT_SPI_BUS"}, environment);
        // As a screen reader says it runs: programs bring their accessibility up on this.
        testBus().call(QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                      "org.freedesktop.DBus.Properties", "Set")
                       << "org.a11y.Status"
                       << "ScreenReaderEnabled" << QVariant::fromValue(QDBusVariant(true)));
    }
    static QStringList probe(const char* app, const char* button) {
        return {"/usr/bin/python3", WYSTRAND_SOURCE_DIR "/tests/support/atspi_probe.py", app,
                button};
    }
    // A window manager and a terminal that holds the keyboard; the terminal's window.
    std::string typingDesktop() {
        windowManager_ = startChild({"openbox", "--sm-disable"}, environment);
        // Started before the window manager is up, the terminal would not keep the keyboard.
        waitUntil([&] {
            return run({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, environment)
                       .out.find("window id") != std::string::npos;
        });
        terminal_ = startChild({"xterm"}, environment);
        std::string window;
        const bool up = waitUntil([&] {
            window = run({"xdotool", "search", "--class", "xterm"}, environment).out;
            if (!window.empty() && focused() != window) {
                run({"xdotool", "windowactivate", QString::fromStdString(window).trimmed()},
                    environment);
            }
            return !window.empty() && focused() == window;
        });
        return up ? window : "";
    }
    // Keys typed at a card, after the focus command or not, and the card's result.
    struct KeysTyped {
        bool focus;
        QStringList keys;
        std::optional<std::int64_t> code;  // none: the card is still there
    };
    std::string focused() const { return run({"xdotool", "getwindowfocus"}, environment).out; }

    QTemporaryDir dir_;
    std::unique_ptr<WaylandServer> compositor_;
    std::unique_ptr<QProcess> windowManager_, terminal_, keyboard_, accessibility_;
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

// Hello, in its place among the cards' events, and from then on why each card ended.
TEST_F(AgentTest, AControllerThatSaysHelloHearsWhyEachCardEnded) {
    start();
    PipeMsg hello = request("hello", "ignored");
    hello.title = "ignored";
    ASSERT_TRUE(peer_.sendBytes(showRequest("a").encode() + "\n" + hello.encode() + "\n" +
                                showRequest("info", "info", 1).encode() + "\n"));
    ASSERT_TRUE(peer_.waitFor("ready", "info"));
    ASSERT_EQ(peer_.records().size(), 3u);
    EXPECT_EQ(peer_.records()[0], PipeMsg::ready("a").encode());
    EXPECT_EQ(peer_.records()[1], R"({"ev":"hello","version":")" WYSTRAND_VERSION
                                  R"(","detail":"watch,hold,reasons,answer"})");
    for (const char* mode : {"alert", "countdown"}) {
        show(showRequest(mode, mode, 1));
    }
    show(showRequest("screen"));
    ASSERT_TRUE(peer_.send(request("dismiss", "a")));
    const auto ended = [&](const QString& id) {
        const auto record = peer_.waitFor("result", id);
        return record ? std::to_string(record->code.value_or(-1)) + " " +
                            record->reason.value_or("none").toStdString()
                      : "no result";
    };
    EXPECT_EQ(ended("a"), "2 dismissed");
    EXPECT_EQ(ended("info"), "0 expired");
    EXPECT_EQ(ended("countdown"), "0 expired");
    EXPECT_EQ(ended("alert"), "2 expired");
    ASSERT_EQ(screenSaverEnds("screen"), 2);
    EXPECT_EQ(ended("screen"), "2 screen");
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
    ASSERT_TRUE(testBus().interface()->startService("org.freedesktop.portal.Desktop").isValid());
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
    startAccessibilityBus();
    start({{"QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1"}});
    const auto probe = startChild(AgentTest::probe("wystrand-notify", "Rock & Roll"), environment);
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
    EXPECT_EQ(read["buttons"].toArray(), (QJsonArray{"Later", "Rock & Roll"}));
    EXPECT_EQ(result("a"), 0);
    EXPECT_EQ(exitStatus(*probe), 0);
}

// The accessibility bridge comes up a while after start-up, however soon a card comes: agents
// started in turn, each showing a card as soon as it has connected, have every card heard once.
TEST_F(AgentTest, ACardShownAsTheAgentStartsIsAnnouncedOnce) {
    startAccessibilityBus();
    const auto probe = startChild(AgentTest::probe("wystrand-notify", "--count"), environment);
    std::map<QString, int> heard;
    const auto hear = [&]() -> const std::map<QString, int>& {
        while (probe->canReadLine()) {
            const QJsonObject line = QJsonDocument::fromJson(probe->readLine()).object();
            heard[line["announced"].toString()] += line.contains("announced");
        }
        return heard;
    };
    ASSERT_TRUE(waitUntil([&] { return hear().contains(""); }, kPatience));
    heard.erase("");
    for (int i = 0; i < 8; ++i) {
        start();
        PipeMsg card = showRequest(QString::number(i));
        card.title = QStringLiteral("Card %1").arg(i);
        show(card);
        EXPECT_TRUE(waitUntil([&] { return hear().contains(*card.title); }, 10s)) << i;
        agent_->terminate();
        EXPECT_EQ(exitStatus(*agent_), 128 + SIGTERM);
    }
    QTest::qWait(300);
    EXPECT_EQ(hear().size(), 8u);
    for (const auto& [title, times] : heard) {
        EXPECT_EQ(times, 1) << title.toStdString();
    }
}

// What a real screen reader says of a card: its title, its eyebrow and its message, once each;
// and with the keyboard in a card, its focused button.
TEST_F(AgentTest, OrcaSpeaksEachTextOfTheCardOnce) {
    startAccessibilityBus();
    QTemporaryDir home;
    EnvChanges env = environment;
    env["HOME"] = home.path();
    // Its debug output on a terminal is written line by line, as it would speak.
    const auto orca = startChild(
        {"script", "-qfec", "orca -d speech --debug-file /dev/stdout --replace", "/dev/null"}, env);
    QString spoken;  // what it would have said, one line each
    const auto hear = [&] {
        while (orca->canReadLine()) {
            const QByteArray line = orca->readLine();
            if (line.contains("SPEECH OUTPUT:")) {
                spoken += QString::fromUtf8(line.mid(line.indexOf("SPEECH OUTPUT:")));
            }
        }
        return spoken;
    };
    ASSERT_TRUE(
        waitUntil([&] { return run(probe("orca", "--present"), environment).status == 0; }, 20s))
        << "Orca did not start";
    start();
    PipeMsg card = showRequest("a", "alert", 1);
    std::tie(card.title, card.message, card.locale) =
        std::tuple("Eye break", "Look far away", "en");
    show(card);
    ASSERT_TRUE(result("a"));
    // The keyboard in a card: its primary button is reported focused, and heard.
    PipeMsg next = showRequest("b", "alert");
    std::tie(next.title, next.message, next.locale) = std::tuple("Stretch", "Stand up", "en");
    show(next);
    EXPECT_EQ(run({kCtl, "focus"}, environment).status, 0);
    EXPECT_TRUE(waitUntil([&] { return hear().contains("Take a break push button"); }))
        << spoken.toStdString();
    for (const char* text : {"Eye break", "GENTLE REMINDER Look far away", "Look far away"}) {
        EXPECT_EQ(spoken.count(text), 1) << text << " in\n" << spoken.toStdString();
    }
    stopDaemon(*orca);
}

// The person's commands over the session bus answer the newest card on screen that has the button,
// as a click would, whoever holds the keyboard meanwhile; calls of another form change nothing.
TEST_F(AgentTest, CommandsAnswerTheNewestCardThatHasTheButton) {
    const std::string terminal = typingDesktop();
    ASSERT_FALSE(terminal.empty()) << "openbox and xterm did not come up";
    EXPECT_EQ(run({kCtl, "later"}, environment).err,
              "wystrand-notify-ctl: no agent is running in this session\n");
    start();
    show(showRequest("older"));
    show(showRequest("newer"));
    const auto call = [&](const QString& method, const QVariantList& args = {}) {
        auto message = QDBusMessage::createMethodCall("org.wystrand.Notify", "/org/wystrand/Notify",
                                                      "org.wystrand.Notify", method);
        message.setArguments(args);
        return testBus().call(message).type();
    };
    EXPECT_EQ(call("Later", {"x"}), QDBusMessage::ErrorMessage);
    EXPECT_EQ(call("Dismiss"), QDBusMessage::ErrorMessage);
    const struct {
        const char* show;  // a countdown shown first
        const char* command;
        int status;
        const char* ended;
        std::int64_t code;
    } steps[] = {
        {nullptr, "later", 0, "newer", 2},  {nullptr, "accept", 0, "older", 0},
        {nullptr, "accept", 1, nullptr, 0}, {nullptr, "later", 1, nullptr, 0},
        {"count", "accept", 1, nullptr, 0}, {nullptr, "later", 0, "count", 2},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.command) + " " + (step.ended ? step.ended : ""));
        if (step.show) {
            show(showRequest(step.show, "countdown"));
        }
        const RunResult ctl = run({kCtl, step.command}, environment);
        EXPECT_EQ(ctl.status, step.status) << ctl.err;
        EXPECT_EQ(std::ranges::count(ctl.err, '\n'), step.status) << ctl.err;
        if (step.ended) {
            EXPECT_EQ(result(step.ended), step.code);
        }
    }
    // Two at once end two cards.
    show(showRequest("a"));
    show(showRequest("b"));
    const auto first = startChild({kCtl, "later"}, environment);
    const auto second = startChild({kCtl, "later"}, environment);
    EXPECT_EQ(exitStatus(*first), 0);
    EXPECT_EQ(exitStatus(*second), 0);
    EXPECT_EQ(result("a"), 2);
    EXPECT_EQ(result("b"), 2);
    EXPECT_EQ(focused(), terminal);
}

// The keyboard goes into the cards only on the person's command, and back to the window that had
// it when a press ends the card or on Escape.
TEST_F(AgentTest, TheCardsTakeTheKeyboardOnlyWhenTheCommandAsks) {
    const std::string terminal = typingDesktop();
    ASSERT_FALSE(terminal.empty()) << "openbox and xterm did not come up";
    start();
    const KeysTyped rows[] = {
        {true, {"Return"}, 0},
        {true, {"Escape"}, std::nullopt},
        {true, {"shift+Tab", "Return"}, 2},
        {false, {"Return"}, std::nullopt},
    };
    for (const auto& row : rows) {
        const QString id = row.keys.join(' ') + (row.focus ? " after focus" : "");
        SCOPED_TRACE(id.toStdString());
        show(showRequest(id));
        if (row.focus) {
            EXPECT_EQ(run({kCtl, "focus"}, environment).status, 0);
            EXPECT_TRUE(waitUntil([&] { return focused() != terminal; })) << "not taken";
        }
        run(QStringList{"xdotool", "key"} + row.keys, environment);
        EXPECT_TRUE(waitUntil([&] { return focused() == terminal; })) << "not given back";
        if (!row.code) {
            EXPECT_EQ(run({kCtl, "later"}, environment).status, 0);
        }
        EXPECT_EQ(result(id), row.code.value_or(2));
    }
    // Killed while a card holds the keyboard: the X server reverts the focus to the card's
    // parent, the root, and the window manager gives it on.
    show(showRequest("killed"));
    EXPECT_EQ(run({kCtl, "focus"}, environment).status, 0);
    EXPECT_TRUE(waitUntil([&] { return focused() != terminal; })) << "not taken";
    agent_->kill();
    exitStatus(*agent_);
    agent_.reset();
    EXPECT_TRUE(waitUntil([&] { return focused() == terminal; })) << "not given back";
    EXPECT_EQ(run({kCtl, "accept"}, environment).status, 1);
}

// On a compositor with layer-shell the card's surface asks for the keyboard only on the command,
// and keys typed then reach the card.
TEST_F(AgentTest, OnWaylandTheCardsTakeTheKeyboardOnlyWhenTheCommandAsks) {
    compositor_ = std::make_unique<WaylandServer>(WaylandServer::Kind::sway);
    if (!compositor_->start()) {
        GTEST_SKIP() << compositor_->why();
    }
    EnvChanges onSway{{"XDG_RUNTIME_DIR", QString::fromStdString(compositor_->runtimeDir())},
                      {"WAYLAND_DISPLAY", QString::fromStdString(compositor_->display())},
                      {"QT_QPA_PLATFORM", std::nullopt},
                      {"DISPLAY", std::nullopt}};
    // The person's keyboard, there all along as on a real seat; each wtype below adds its own.
    keyboard_ = startChild({"wtype", "-s", "600000"}, onSway);
    ASSERT_TRUE(waitUntil([&] {
        return compositor_->swaymsg({"-t", "get_inputs"}).value_or("").find("keyboard") !=
               std::string::npos;
    })) << "no keyboard on the seat (wtype)";
    start(onSway);
    onSway.insert(environment.begin(), environment.end());
    const KeysTyped rows[] = {
        {false, {"-k", "Return"}, std::nullopt},
        {true, {"-M", "shift", "-k", "Tab", "-m", "shift", "-k", "Return"}, 2},
        {true, {"-k", "Return"}, 0},
    };
    for (const auto& row : rows) {
        const QString id = row.keys.join(' ') + (row.focus ? " after focus" : "");
        SCOPED_TRACE(id.toStdString());
        show(showRequest(id));
        if (row.focus) {
            EXPECT_EQ(run({kCtl, "focus"}, environment).status, 0);
        }
        run(QStringList{"wtype"} + row.keys, onSway);
        if (!row.code) {
            EXPECT_EQ(result(id, 1s), std::nullopt) << "a key reached the card unasked";
            EXPECT_EQ(run({kCtl, "later"}, environment).status, 0);
        }
        EXPECT_EQ(result(id), row.code.value_or(2));
    }
}

// Do-not-disturb on (KDE's notification server says so): a watching controller hears it, a card
// that may wait waits without its time running, one that may not shows at once, and the waiting
// ones end on dismiss or dismiss-all, or show when the person is free.
TEST_F(AgentTest, CardsThatMayWaitWaitWhileThePersonIsBusy) {
    FakeService kde(buses_->sessionAddress(), "org.freedesktop.Notifications",
                    "/org/freedesktop/Notifications");
    kde.set("org.freedesktop.Notifications", "Inhibited", true);
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
    kde.set("org.freedesktop.Notifications", "Inhibited", false);
    ASSERT_TRUE(heard({}));
    ASSERT_TRUE(peer_.waitFor("ready", "held"));
    QElapsedTimer shown;
    shown.start();
    EXPECT_EQ(result("held"), 0);
    EXPECT_GT(shown.elapsed(), 1500) << "its time ran while it waited";
    EXPECT_EQ(peer_.count(PipeMsg::ready("dismissed")), 0);

    kde.set("org.freedesktop.Notifications", "Inhibited", true);
    ASSERT_TRUE(heard({.doNotDisturb = true}, 2));
    hold("late");
    EXPECT_EQ(screenSaverEnds("late"), 2);
}

}  // namespace
}  // namespace wystrand::test
