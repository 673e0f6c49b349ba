#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <map>
#include <memory>
#include <vector>

#include "support/EventLoop.h"
#include "ui/card/NotifyView.h"
#include "ui/card/PlainButton.h"
#include "ui/panels/NotifyPanel.h"
#include "ui/panels/WindowManager.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::waitUntil;

ShowConfig card(const QString& id, NotifyMode mode) {
    ShowConfig c;
    c.id = id;
    c.mode = mode;
    c.notifyType = "eye";
    c.title = "Eye break";
    c.message = "Look away";
    c.primary = "Take a break";
    c.secondary = "Later";
    c.skip = "Skip";
    c.duration = 90;
    return c;
}

class WindowManagerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1440, 875));
    }
    void TearDown() override {
        manager.reset();
        test::drainEvents();
    }

    void show(const QString& id, NotifyMode mode) {
        manager->show(
            card(id, mode), [this, id] { ready.push_back(id); },
            [this, id](std::int64_t code) {
                results.push_back({id, code});
            });
    }
    void press(NotifyPanel* panel, const char* button) {
        QTest::mouseClick(panel->view()->findChild<PlainButton*>(button), Qt::LeftButton);
    }
    int y(const QString& id) const { return manager->panel(id)->targetFrame().y(); }
    bool resultsAre(std::size_t n) {
        return waitUntil([&] { return results.size() >= n; }) && results.size() == n;
    }
    bool settledAt(const QString& id, QPoint where) {
        return waitUntil([&] { return manager->panel(id)->pos() == where; });
    }

    std::unique_ptr<WindowManager> manager =
        std::make_unique<WindowManager>(PanelTiming{20ms, 20ms, 20ms, 1000ms});
    std::vector<QString> ready;
    std::vector<std::pair<QString, std::int64_t>> results;
};

TEST_F(WindowManagerTest, StacksDownFromTheTopRightAndClosesTheGap) {
    int yOfBWhenAEnded = -1;
    bool readyInsideShow = false;
    manager->show(
        card("a", NotifyMode::alert),
        [&] { readyInsideShow = manager->panel("a") && manager->panel("a")->isVisible(); },
        [&](std::int64_t code) {
            yOfBWhenAEnded = y("b");
            results.push_back({"a", code});
        });
    EXPECT_TRUE(readyInsideShow) << "ready before show returns, once the slide-in has begun";
    show("b", NotifyMode::info);
    show("c", NotifyMode::countdown);
    EXPECT_EQ(manager->panel("a")->targetFrame(), QRect(1108, 8, 320, 128));
    EXPECT_EQ(manager->panel("b")->targetFrame(), QRect(1108, 144, 320, 80));
    EXPECT_EQ(manager->panel("c")->targetFrame(), QRect(1108, 232, 320, 152));
    EXPECT_TRUE(settledAt("c", {1108, 232}));
    EXPECT_EQ(manager->panel("c")->geometry(), QRect(1108, 232, 320, 152));

    manager->dismiss("a");
    ASSERT_TRUE(resultsAre(1));
    EXPECT_EQ(yOfBWhenAEnded, 8) << "the rest moved up before the result went out";
    EXPECT_EQ(y("b"), 8);
    EXPECT_EQ(y("c"), 96);
    EXPECT_TRUE(settledAt("b", {1108, 8}));
    EXPECT_TRUE(settledAt("c", {1108, 96}));
    EXPECT_EQ(manager->order(), (std::vector<QString>{"b", "c"}));
}

TEST_F(WindowManagerTest, ACardShownWhileAnotherClosesGoesBelowIt) {
    show("a", NotifyMode::alert);
    show("b", NotifyMode::info);
    manager->dismiss("a");
    show("c", NotifyMode::countdown);
    EXPECT_EQ(y("c"), 232) << "the closing card still takes its room";
    ASSERT_TRUE(resultsAre(1));
    EXPECT_EQ(y("b"), 8);
    EXPECT_EQ(y("c"), 96);
}

TEST_F(WindowManagerTest, DismissTwiceReportsOnce) {
    show("a", NotifyMode::alert);
    manager->dismiss("a");
    manager->dismiss("a");
    manager->dismiss("unknown");
    ASSERT_TRUE(resultsAre(1));
    QTest::qWait(60);
    EXPECT_EQ(results, (std::vector<std::pair<QString, std::int64_t>>{{"a", 2}}));
    EXPECT_TRUE(manager->order().empty());
}

TEST_F(WindowManagerTest, DismissAllKeepsTheCodeOfACardAlreadyClosing) {
    show("a", NotifyMode::alert);
    show("b", NotifyMode::info);
    show("c", NotifyMode::countdown);
    press(manager->panel("a"), "primary");
    manager->dismissAll();
    manager->dismissAll();
    ASSERT_TRUE(resultsAre(3));
    QTest::qWait(60);
    const std::map<QString, std::int64_t> byId(results.begin(), results.end());
    EXPECT_EQ(results.size(), 3u);
    EXPECT_EQ(byId, (std::map<QString, std::int64_t>{{"a", 0}, {"b", 2}, {"c", 2}}));
    EXPECT_TRUE(manager->order().empty());
}

TEST_F(WindowManagerTest, ADuplicateIdentifierMakesASecondCard) {
    show("x", NotifyMode::alert);
    NotifyPanel* first = manager->panel("x");
    show("x", NotifyMode::info);
    NotifyPanel* second = manager->panel("x");
    EXPECT_NE(first, second);
    EXPECT_EQ(second->targetFrame(), QRect(1108, 144, 320, 80));
    EXPECT_EQ(manager->order(), (std::vector<QString>{"x", "x"}));

    // The first to finish closing clears the identifier, whichever card it is.
    press(first, "primary");
    ASSERT_TRUE(resultsAre(1));
    EXPECT_EQ(manager->panel("x"), nullptr);
    EXPECT_TRUE(manager->order().empty());
    EXPECT_TRUE(second->isVisible()) << "the other card stays until it ends";

    // Nothing is in the column any more, so the next card goes to the top.
    show("y", NotifyMode::info);
    EXPECT_EQ(y("y"), 8);

    second->closeWithCode(2);
    ASSERT_TRUE(resultsAre(2));
    EXPECT_EQ(results[0], (std::pair<QString, std::int64_t>{"x", 0}));
    EXPECT_EQ(results[1], (std::pair<QString, std::int64_t>{"x", 2}));
    EXPECT_EQ(manager->order(), std::vector<QString>{"y"});
}

}  // namespace
}  // namespace wystrand
