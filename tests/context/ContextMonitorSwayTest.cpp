// The context monitor on a private headless sway: full screen through foreign-toplevel, idle
// time through org_kde_kwin_idle (sway 1.7 has no ext-idle-notify), input as a virtual pointer.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <cstdlib>
#include <vector>

#include "platform/context/ContextMonitor.h"
#include "support/Sway.h"
#include "support/VirtualPointer.h"
#include "support/Wait.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::sway;
using test::waitUntil;

class ContextMonitorSwayTest : public test::SwayTest {
protected:
    void SetUp() override {
        test::SwayTest::SetUp();
        // No session bus and no dconf: their sources are missing, the machine's never asked.
        setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1);
        setenv("GSETTINGS_BACKEND", "memory", 1);
        QObject::connect(&monitor_, &ContextMonitor::changed,
                         [this](const Context& c) { seen_.push_back(c); });
    }
    void start(std::chrono::milliseconds threshold) {
        monitor_.setAwayThreshold(threshold);
        monitor_.start();
        EXPECT_TRUE(waitUntil([&] { return monitor_.settled(); }));
    }
    bool reaches(bool Context::*state, bool on) {
        return waitUntil([&] { return monitor_.context().*state == on; });
    }

    ContextMonitor monitor_;
    std::vector<Context> seen_;
};

TEST_F(ContextMonitorSwayTest, FullscreenIsThatOfTheFocusedToplevel) {
    start(60s);
    QProcess client;
    client.start("weston-flower", {});
    const std::string window = "[app_id=org.freedesktop.weston.flower]";
    ASSERT_TRUE(waitUntil([&] { return sway().swaymsg({window, "fullscreen", "enable"}); }));
    EXPECT_TRUE(reaches(&Context::fullscreen, true));
    const std::vector<std::vector<std::string>> steps = {
        {window, "fullscreen", "disable"},
        {window, "fullscreen", "enable"},
        {"workspace", "2"},  // full screen, but not focused
        {"workspace", "1"}};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        ASSERT_TRUE(sway().swaymsg(steps[i]));
        EXPECT_TRUE(reaches(&Context::fullscreen, i % 2 == 1));
    }
    client.kill();
    EXPECT_TRUE(reaches(&Context::fullscreen, false));
    EXPECT_EQ(seen_.size(), 6u);
}

TEST_F(ContextMonitorSwayTest, AwayAfterTheThresholdAndBackAtInput) {
    test::VirtualPointer pointer;
    ASSERT_TRUE(pointer.valid());
    int step = 0;
    const auto input = [&] { pointer.click(100 + ++step % 2 * 100, 100, 1440, 875); };
    start(300ms);
    input();
    EXPECT_TRUE(reaches(&Context::away, true));
    input();
    EXPECT_TRUE(reaches(&Context::away, false));

    monitor_.setAwayThreshold(60s);
    monitor_.screenLocked();
    EXPECT_TRUE(monitor_.context().away);
    // The compositor tells of input from a moment after the lock on: input until it has.
    for (QDeadlineTimer deadline(5000); monitor_.context().away && !deadline.hasExpired();) {
        input();
        waitUntil([&] { return !monitor_.context().away; }, 50ms);
    }
    EXPECT_FALSE(monitor_.context().away);
    EXPECT_EQ(seen_.size(), 4u);
}

}  // namespace
}  // namespace wystrand
