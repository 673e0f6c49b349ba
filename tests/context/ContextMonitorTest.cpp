// The context monitor against private buses and its own Xvfb: the real dconf and dunst where
// Debian has them, fake services for the rest.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QProcess>
#include <QStandardPaths>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/context/ContextMonitor.h"
#include "platform/context/GSettingsFlag.h"
#include "support/FakeService.h"
#include "support/PrivateServers.h"
#include "support/Wait.h"

namespace wystrand {

void PrintTo(const Context& c, std::ostream* out) {
    *out << "{" << c.causes().toStdString() << (c.away ? " away" : "") << "}";
}

namespace {

using namespace std::chrono_literals;
using test::waitUntil;

// Qt compares numbers and booleans by value (0 == false); a wrong type must not pass for the
// right value, or a wait would be over before the change it waits for arrived.
bool same(const QVariant& a, const QVariant& b) {
    return a.metaType() == b.metaType() && a == b;
}

Context with(bool Context::*cause) {
    Context context;
    context.*cause = true;
    return context;
}

class ContextMonitorTest : public test::BusSuite {
protected:
    // Started now, as the agent starts it, with every change it reports kept in seen_.
    ContextMonitor& start(std::chrono::milliseconds threshold = 60s, bool settle = true) {
        monitor_.reset();
        monitor_ = std::make_unique<ContextMonitor>();
        QObject::connect(monitor_.get(), &ContextMonitor::changed,
                         [this](const Context& c) { seen_.push_back(c); });
        monitor_->setAwayThreshold(threshold);
        monitor_->start();
        EXPECT_TRUE(!settle || waitUntil([&] { return monitor_->settled(); }));
        return *monitor_;
    }
    bool reaches(const Context& context) {
        return waitUntil([&] { return monitor_->context() == context; });
    }
    static void move() {
        static int step = 0;
        QProcess::execute("xdotool", {"mousemove", QString::number(10 + ++step % 2 * 100), "10"});
    }

    std::unique_ptr<ContextMonitor> monitor_;
    std::vector<Context> seen_;
};

// Each busy cause that a session-bus service reports, on and off live, and neither a value of
// the wrong type nor a service gone counts.
TEST_F(ContextMonitorTest, BusSourcesAreFollowedLive) {
    struct Source {
        QString service, member;  // the object's path and interface are named after the service
        bool bySignal;
        QVariant on, off, wrong;
        bool Context::*cause;
    };
    const Source sources[] = {
        {"org.freedesktop.Notifications", "Inhibited", false, true, false, "true",
         &Context::doNotDisturb},
        {"org.gnome.SessionManager", "InhibitedActions", false, 12u, 4u, 8, &Context::inhibited},
        {"org.freedesktop.PowerManagement.Inhibit", "HasInhibit", true, true, false, "yes",
         &Context::inhibited},
    };
    for (const Source& s : sources) {
        SCOPED_TRACE(s.service.toStdString());
        seen_.clear();
        test::FakeService fake(buses_->sessionAddress(), s.service,
                               '/' + QString(s.service).replace('.', '/'));
        ASSERT_TRUE(fake.start());
        const auto set = [&](const QVariant& value) {
            if (s.bySignal) {
                fake.on(s.member, [value](const QVariantList&) { return value; });
                fake.signal(s.service, s.member + "Changed", {value});
            } else {
                fake.set(s.service, s.member, value);
            }
        };
        set(s.on);
        const Context busy = with(s.cause), none;
        EXPECT_EQ(start().context(), busy);
        for (const QVariant& value : {s.off, s.on, s.on, s.wrong, s.on}) {
            set(value);
            EXPECT_TRUE(reaches(same(value, s.on) ? busy : none));
        }
        fake.stop();
        EXPECT_TRUE(reaches(none));
        fake.start();
        EXPECT_TRUE(reaches(busy));
        EXPECT_EQ(seen_, (std::vector{busy, none, busy, none, busy, none, busy}));
    }
}

// Do-not-disturb as the real stores keep it, switched with their own tools: GNOME's banners in
// GSettings on dconf, and dunst's pause.
TEST_F(ContextMonitorTest, RealDoNotDisturbSwitchesAreFollowedLive) {
    if (!buses_->offer({"ca.desrt.dconf"}) ||
        QStandardPaths::findExecutable("gsettings").isEmpty() ||
        QStandardPaths::findExecutable("dunstctl").isEmpty()) {
        GTEST_SKIP() << "dconf, gsettings or dunst missing (scripts/deps test installs them)";
    }
    const auto run = [](const QString& command) {
        return QProcess::execute(command.section(' ', 0, 0), command.split(' ').mid(1)) == 0;
    };
    const QString gnome = "gsettings set org.gnome.desktop.notifications ";
    QProcess dunst;
    test::startDaemon(dunst, {"dunst"});
    const Context quiet = with(&Context::doNotDisturb), none;
    for (const auto& [on, off] :
         {std::pair(gnome + "show-banners false", gnome + "show-banners true"),
          std::pair<QString, QString>("dunstctl set-paused true", "dunstctl set-paused false")}) {
        SCOPED_TRACE(on.toStdString());
        seen_.clear();
        // dunstctl fails until dunst is on the bus.
        ASSERT_TRUE(waitUntil([&] { return run(on); }));
        EXPECT_EQ(start().context(), quiet);
        for (const bool holds : {false, true, false}) {
            ASSERT_TRUE(run(holds ? on : off));
            EXPECT_TRUE(reaches(holds ? quiet : none));
        }
        EXPECT_EQ(seen_, (std::vector{quiet, none, quiet, none}));
    }
    // Another key of GNOME's schema changes nothing, once a flag of its own has heard of it.
    GSettingsFlag lockScreen({"org.gnome.desktop.notifications", "show-in-lock-screen", false});
    lockScreen.start();
    ASSERT_TRUE(run(gnome + "show-in-lock-screen false"));
    EXPECT_TRUE(waitUntil([&] { return lockScreen.holds(); }));
    EXPECT_EQ(seen_, (std::vector{quiet, none, quiet, none}));
    test::stopDaemon(dunst);
}

// A schema that is not installed, a key it lacks and one of another type hold not, at once.
TEST_F(ContextMonitorTest, AGSettingsKeyMissingOrNotABooleanDoesNotHold) {
    for (const GSettingsFlag::Spec spec :
         {GSettingsFlag::Spec{"org.example.none", "show-banners", false},
          {"org.gnome.desktop.notifications", "none", false},
          {"org.gnome.desktop.notifications", "application-children", false}}) {
        GSettingsFlag flag(spec);
        flag.start();
        EXPECT_TRUE(flag.answered() && !flag.holds()) << spec.schema << " " << spec.key;
    }
}

TEST_F(ContextMonitorTest, AHungServiceHoldsTheFirstAnswerForASecondAtMost) {
    test::FakeService power(buses_->sessionAddress(), "org.freedesktop.PowerManagement.Inhibit",
                            "/org/freedesktop/PowerManagement/Inhibit");
    power.on("HasInhibit", [](const QVariantList&) { return true; });
    power.hold(true);
    ASSERT_TRUE(power.start());
    start(60s, false);
    EXPECT_TRUE(waitUntil([&] { return power.calls("HasInhibit") == 1; }));
    EXPECT_FALSE(monitor_->settled());
    EXPECT_TRUE(waitUntil([&] { return monitor_->settled(); }, 3s));
}

TEST_F(ContextMonitorTest, FullscreenIsTheActiveWindowsStateOnX11) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto atom = [c](const char* name) {
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), nullptr), &free);
        return reply->atom;
    };
    const xcb_atom_t active = atom("_NET_ACTIVE_WINDOW"), state = atom("_NET_WM_STATE"),
                     full = atom("_NET_WM_STATE_FULLSCREEN"), above = atom("_NET_WM_STATE_ABOVE");
    xcb_window_t windows[2];
    for (xcb_window_t& w : windows) {
        w = xcb_generate_id(c);
        xcb_create_window(c, 0, w, root, 0, 0, 100, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
    }
    const auto set = [c](xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
                         std::vector<std::uint32_t> values) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 32, values.size(),
                            values.data());
        xcb_flush(c);
    };
    set(windows[0], state, XCB_ATOM_ATOM, {full});
    set(root, active, XCB_ATOM_WINDOW, {windows[0]});
    const Context fullscreen = with(&Context::fullscreen), none;
    EXPECT_EQ(start().context(), fullscreen);
    const struct {
        xcb_window_t window;
        xcb_atom_t property, type;
        std::vector<std::uint32_t> values;
        bool full;
    } steps[] = {
        {windows[0], state, XCB_ATOM_ATOM, {above}, false},
        {windows[0], state, XCB_ATOM_ATOM, {above, full}, true},
        {root, active, XCB_ATOM_WINDOW, {windows[1]}, false},
        {windows[1], state, XCB_ATOM_ATOM, {full}, true},
        {windows[1], state, XCB_ATOM_CARDINAL, {full}, false},
        {windows[1], state, XCB_ATOM_ATOM, {full}, true},
        {root, active, XCB_ATOM_CARDINAL, {windows[1]}, false},
    };
    for (const auto& step : steps) {
        set(step.window, step.property, step.type, step.values);
        EXPECT_TRUE(reaches(step.full ? fullscreen : none));
    }
    EXPECT_EQ(seen_, (std::vector{fullscreen, none, fullscreen, none, fullscreen, none, fullscreen,
                                  none}));
    xcb_disconnect(c);
}

TEST_F(ContextMonitorTest, AwayOnX11AfterTheThresholdAndBackAtInput) {
    const Context away = with(&Context::away);
    move();
    start(300ms);
    EXPECT_TRUE(reaches(away));
    move();
    EXPECT_TRUE(reaches(Context()));
    EXPECT_TRUE(reaches(away));
    // The idle time is read at once for a new threshold.
    monitor_->setAwayThreshold(60s);
    EXPECT_EQ(monitor_->context(), Context());
    monitor_->setAwayThreshold(200ms);
    EXPECT_EQ(monitor_->context(), away);
    move();
    EXPECT_TRUE(reaches(Context()));

    monitor_->setAwayThreshold(60s);
    monitor_->screenLocked();
    EXPECT_EQ(monitor_->context(), away);
    move();
    EXPECT_TRUE(reaches(Context()));
    EXPECT_EQ(seen_,
              (std::vector{away, Context(), away, Context(), away, Context(), away, Context()}));
}

// Where Mutter runs it decides, whatever the X server's counter says.
TEST_F(ContextMonitorTest, MutterIdleMonitorDecidesWhereItRuns) {
    test::FakeService mutter(buses_->sessionAddress(), "org.gnome.Mutter.IdleMonitor",
                             "/org/gnome/Mutter/IdleMonitor/Core");
    ASSERT_TRUE(mutter.start());
    uint watches = 0;
    std::vector<QVariant> idleWatches;
    mutter.on("AddIdleWatch", [&](const QVariantList& args) {
        idleWatches.push_back(args.value(0));
        return ++watches;
    });
    mutter.on("AddUserActiveWatch", [&](const QVariantList&) { return ++watches; });
    const auto fire = [&](uint watch) {
        mutter.signal("org.gnome.Mutter.IdleMonitor", "WatchFired", {watch});
    };
    const Context away = with(&Context::away);
    start(100ms);
    ASSERT_EQ(idleWatches, std::vector<QVariant>{qulonglong(100)});
    move();  // the X server's idle time would say away after 100 ms, and back now
    fire(1);
    EXPECT_TRUE(reaches(away));
    EXPECT_TRUE(waitUntil([&] { return watches == 2; }));  // the next input is watched for
    fire(2);
    EXPECT_TRUE(reaches(Context()));

    monitor_->setAwayThreshold(60s);
    monitor_->screenLocked();
    EXPECT_EQ(monitor_->context(), away);
    EXPECT_TRUE(waitUntil([&] { return watches == 4; }));
    EXPECT_EQ(idleWatches.back(), qulonglong(60'000));
    fire(1);  // removed with the old threshold
    fire(4);
    EXPECT_TRUE(reaches(Context()));
    EXPECT_EQ(seen_, (std::vector{away, Context(), away, Context()}));
}

}  // namespace
}  // namespace wystrand
