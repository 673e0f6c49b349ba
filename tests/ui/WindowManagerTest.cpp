#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <map>
#include <memory>
#include <vector>

#include "support/Cards.h"
#include "ui/card/NotifyView.h"
#include "ui/card/PlainButton.h"
#include "ui/panels/NotifyPanel.h"
#include "ui/panels/WindowManager.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::card;
using test::waitUntil;
using Results = std::vector<std::pair<QString, std::int64_t>>;

// The cards' own windows are tested through the manager that places and closes them.
class WindowManagerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1440, 875));
    }
    void TearDown() override {
        manager.reset();
        QTest::qWait(0);
    }
    NotifyPanel* show(const QString& id, NotifyMode mode) {
        manager->show(card(id, mode), nullptr, [this, id](std::int64_t code) {
            results.push_back({id, code});
        });
        return manager->panel(id);
    }
    int y(const QString& id) const { return manager->panel(id)->targetFrame().y(); }
    // Waits for n results, then a while longer for any late extra one.
    bool resultsAre(std::size_t n) {
        const bool reached = waitUntil([&] { return results.size() >= n; });
        QTest::qWait(60);
        return reached && results.size() == n;
    }
    bool settledAt(const QString& id, QPoint where) {
        return waitUntil([&] { return manager->panel(id)->pos() == where; });
    }

    std::unique_ptr<WindowManager> manager =
        std::make_unique<WindowManager>(PanelTiming{20ms, 20ms, 20ms, 1000ms});
    Results results;
};

TEST_F(WindowManagerTest, StacksAtTheTopRightAndClosesTheGap) {
    bool readyInsideShow = false;
    int yOfBWhenAEnded = -1;
    bool aHiddenWhenEnded = false;
    QPointer<NotifyPanel> a;
    manager->show(
        card("a", NotifyMode::alert),
        [&] { readyInsideShow = manager->panel("a") && manager->panel("a")->isVisible(); },
        [&](std::int64_t code) {
            yOfBWhenAEnded = y("b");
            aHiddenWhenEnded = a && !a->isVisible();
            results.push_back({"a", code});
        });
    a = manager->panel("a");
    EXPECT_TRUE(readyInsideShow) << "ready once the slide-in has begun";
    EXPECT_EQ(a->pos(), QPoint(1458, 8)) << "slides in from the right";
    show("b", NotifyMode::info);
    show("c", NotifyMode::countdown);
    EXPECT_EQ(a->targetFrame(), QRect(1108, 8, 320, 128));
    EXPECT_EQ(manager->panel("b")->targetFrame(), QRect(1108, 144, 320, 80));
    EXPECT_EQ(manager->panel("c")->targetFrame(), QRect(1108, 232, 320, 152));
    EXPECT_TRUE(settledAt("c", {1108, 232}));
    EXPECT_EQ(manager->panel("c")->geometry(), QRect(1108, 232, 320, 152));

    // Closes once with the first code, even when moved while sliding out.
    a->closeWithCode(0);
    a->closeWithCode(2);
    QTest::qWait(5);
    a->animateTo(300);
    ASSERT_TRUE(resultsAre(1));
    EXPECT_EQ(results, (Results{{"a", 0}}));
    EXPECT_TRUE(aHiddenWhenEnded);
    EXPECT_EQ(yOfBWhenAEnded, 8) << "the rest moved up before the result went out";
    EXPECT_EQ(y("c"), 96);
    EXPECT_TRUE(settledAt("b", {1108, 8}));
    EXPECT_TRUE(settledAt("c", {1108, 96}));
    EXPECT_EQ(manager->order(), (std::vector<QString>{"b", "c"}));
}

TEST_F(WindowManagerTest, ACardShownWhileAnotherClosesGoesBelowIt) {
    show("a", NotifyMode::alert);
    show("b", NotifyMode::info);
    manager->dismiss("a");  // still sliding in
    show("c", NotifyMode::countdown);
    EXPECT_EQ(y("c"), 232) << "the closing card still takes its room";
    ASSERT_TRUE(resultsAre(1));
    EXPECT_EQ(results, (Results{{"a", 2}}));
    EXPECT_EQ(y("b"), 8);
    EXPECT_EQ(y("c"), 96);
}

TEST_F(WindowManagerTest, DismissalsReportOnceEach) {
    show("a", NotifyMode::alert);
    manager->dismiss("a");
    manager->dismiss("a");
    manager->dismiss("unknown");
    ASSERT_TRUE(resultsAre(1));
    EXPECT_EQ(results, (Results{{"a", 2}}));

    // A card already closing by itself keeps its own code.
    show("a", NotifyMode::alert);
    show("b", NotifyMode::info);
    show("c", NotifyMode::countdown);
    QTest::mouseClick(manager->panel("a")->view()->findChild<PlainButton*>("primary"),
                      Qt::LeftButton);
    manager->dismissAll();
    manager->dismissAll();
    ASSERT_TRUE(resultsAre(4));
    const std::map<QString, std::int64_t> byId(results.begin() + 1, results.end());
    EXPECT_EQ(byId, (std::map<QString, std::int64_t>{{"a", 0}, {"b", 2}, {"c", 2}}));
    EXPECT_TRUE(manager->order().empty());
}

TEST_F(WindowManagerTest, ADuplicateIdentifierMakesASecondCard) {
    NotifyPanel* first = show("x", NotifyMode::alert);
    NotifyPanel* second = show("x", NotifyMode::info);
    EXPECT_NE(first, second);
    EXPECT_EQ(second->targetFrame(), QRect(1108, 144, 320, 80));
    EXPECT_EQ(manager->order(), (std::vector<QString>{"x", "x"}));

    // The first to finish closing clears the identifier; the other card lives on until it ends.
    first->closeWithCode(0);
    ASSERT_TRUE(resultsAre(1));
    EXPECT_EQ(manager->panel("x"), nullptr);
    EXPECT_TRUE(manager->order().empty());
    EXPECT_TRUE(second->isVisible());
    show("y", NotifyMode::info);
    EXPECT_EQ(y("y"), 8) << "the column is empty";

    second->closeWithCode(2);
    ASSERT_TRUE(resultsAre(2));
    EXPECT_EQ(results, (Results{{"x", 0}, {"x", 2}}));
    EXPECT_EQ(manager->order(), std::vector<QString>{"y"});
}

}  // namespace
}  // namespace wystrand
