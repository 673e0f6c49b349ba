#include <gtest/gtest.h>

#include <QAccessible>

#include "support/Cards.h"
#include "support/Wait.h"
#include "ui/card/NotifyView.h"
#include "ui/panels/NotifyPanel.h"
#include "ui/panels/WindowManager.h"

namespace wystrand {
namespace {

using namespace std::chrono_literals;
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

// What a screen reader makes of an alert is seen end to end (AgentTest), the countdown here.
TEST(CardAccessibleTest, CountdownBarFollowsTheCountdownAndTheClockReads) {
    test::CardStack stack;
    stack.manager = std::make_unique<WindowManager>(PanelTiming{20ms, 20ms, 20ms, 50ms});
    QAccessibleInterface* window =
        QAccessible::queryAccessibleInterface(stack.show("c", NotifyMode::countdown, 100));
    EXPECT_EQ(window->role(), QAccessible::Notification);
    EXPECT_EQ(window->text(QAccessible::Name), "Eye break");
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
    EXPECT_TRUE(waitUntil([&] { return stack.results == test::CardStack::Results{{"c", 2}}; }));
}

}  // namespace
}  // namespace wystrand
