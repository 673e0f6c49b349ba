#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>
#include <functional>
#include <vector>

#include "support/Cards.h"
#include "ui/card/NotifyView.h"
#include "ui/panels/NotifyPanel.h"
#include "ui/panels/WindowManager.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
using test::card;
using test::waitUntil;

// The first accessible below `root`, depth first, that has `role` (and `name`, when given).
QAccessibleInterface* find(QAccessibleInterface* root, QAccessible::Role role,
                           const QString& name = {}) {
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        if (child->role() == role && (name.isEmpty() || child->text(QAccessible::Name) == name)) {
            return child;
        }
        if (QAccessibleInterface* found = find(child, role, name)) {
            return found;
        }
    }
    return nullptr;
}

struct CardAccessibleTest : testing::Test {
    QAccessibleInterface* show(const ShowConfig& config) {
        manager.show(config, nullptr, [this](std::int64_t code) { codes.push_back(code); });
        return QAccessible::queryAccessibleInterface(manager.panel(config.id));
    }
    WindowManager manager{PanelTiming{20ms, 20ms, 20ms, 50ms}};
    std::vector<std::int64_t> codes;
};

TEST_F(CardAccessibleTest, AlertIsANotificationWhoseButtonsReportOnce) {
    ShowConfig config = card("a", NotifyMode::alert);
    config.detail = "20 s";
    config.primary = "Rock & Roll";
    QAccessibleInterface* window = show(config);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Notification);
    EXPECT_EQ(window->text(QAccessible::Name), "Eye break");
    EXPECT_EQ(window->text(QAccessible::Description), "Look away\n20 s");
    ASSERT_NE(find(window, QAccessible::PushButton, "Later"), nullptr);
    QAccessibleInterface* primary = find(window, QAccessible::PushButton, "Rock & Roll");
    ASSERT_NE(primary, nullptr);
    QAccessibleActionInterface* actions = primary->actionInterface();
    ASSERT_NE(actions, nullptr);
    actions->doAction(QAccessibleActionInterface::pressAction());
    actions->doAction(QAccessibleActionInterface::pressAction());
    find(window, QAccessible::PushButton, "Later")
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(waitUntil([&] { return !codes.empty(); }));
    QTest::qWait(150);
    EXPECT_EQ(codes, std::vector<std::int64_t>{0});
}

TEST_F(CardAccessibleTest, CountdownBarFollowsTheCountdownAndTheClockReads) {
    QAccessibleInterface* window = show(card("c", NotifyMode::countdown, 100));
    EXPECT_EQ(window->text(QAccessible::Description), "Look away");
    QAccessibleInterface* bar = find(window, QAccessible::ProgressBar);
    ASSERT_NE(bar, nullptr);
    QAccessibleValueInterface* value = bar->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue(), 0);
    EXPECT_EQ(value->maximumValue(), 100);
    EXPECT_EQ(value->currentValue(), 0);
    ASSERT_NE(find(window, QAccessible::StaticText, "01:40"), nullptr) << "the clock";
    EXPECT_TRUE(waitUntil([&] { return value->currentValue().toInt() > 0; }));
    EXPECT_LE(value->currentValue().toInt(), 100);
    EXPECT_TRUE(waitUntil([&] { return find(window, QAccessible::StaticText, "01:39"); }));
    find(window, QAccessible::PushButton, "Skip")
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(waitUntil([&] { return codes == std::vector<std::int64_t>{2}; }));
}

}  // namespace
}  // namespace wystrand
