#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/panels/HoldingStack.h"
#include "support/FakeContext.h"
#include "support/FakeStack.h"

namespace wystrand {
namespace {

class HoldingStackTest : public testing::Test {
protected:
    void show(const char* id, bool hold = true) {
        ShowConfig config;
        config.id = QString::fromLatin1(id);
        config.hold = hold;
        const std::string name = id;
        stack.show(
            config, [this, name] { events.push_back(name + " ready"); },
            [this, name](CardResult code) {
                events.push_back(name + " result " + std::to_string(resultCode(code)) + " " +
                                 std::string(reasonName(code.reason)));
            },
            [this, name] { events.push_back(name + " held"); });
    }
    void set(Context context, bool settled = true) {
        std::tie(source.context_, source.settled_) = std::tuple(context, settled);
        stack.contextChanged();
    }

    test::FakeContext source;
    test::FakeStack shown{true};
    HoldingStack stack{shown, source};
    std::vector<std::string> events;
};

using Events = std::vector<std::string>;

TEST_F(HoldingStackTest, WaitingCardsShowInTheirOrderOnceFreeAndBack) {
    set({.fullscreen = true});
    show("a");
    show("now", false);
    show("b");
    EXPECT_EQ(events, (Events{"a held", "now ready", "b held"}));
    EXPECT_EQ(shown.calls, (std::vector<std::string>{"show now"}));
    set({.away = true});
    EXPECT_EQ(events.size(), 3u) << "held once, whatever keeps it";
    set({});
    EXPECT_EQ(shown.calls, (std::vector<std::string>{"show now", "show a", "show b"}));
    EXPECT_EQ(events, (Events{"a held", "now ready", "b held", "a ready", "b ready"}));
    show("c");
    EXPECT_EQ(events.back(), "c ready") << "free and back: no wait, no held";
}

TEST_F(HoldingStackTest, UntilTheContextIsKnownACardWaitsUntold) {
    set({}, false);
    show("a");
    EXPECT_TRUE(events.empty());
    set({});
    EXPECT_EQ(events, (Events{"a ready"})) << "never told held";
    set({}, false);
    show("b");
    set({.doNotDisturb = true});
    EXPECT_EQ(events, (Events{"a ready", "b held"}));
}

TEST_F(HoldingStackTest, DismissedWaitingCardsEndOnceWithTwoAndNeverShow) {
    set({.inhibited = true});
    for (const char* id : {"a", "b", "a", "c"}) {
        show(id);
    }
    events.clear();
    stack.dismiss("a");
    EXPECT_EQ(events, (Events{"a result 2 dismissed", "a result 2 dismissed"}));
    stack.dismissAll();
    EXPECT_EQ(events, (Events{"a result 2 dismissed", "a result 2 dismissed", "b result 2 screen",
                              "c result 2 screen"}));
    EXPECT_EQ(shown.calls, (std::vector<std::string>{"dismiss a", "dismissAll"}));
    set({});
    stack.dismissAll();
    EXPECT_EQ(events.size(), 4u);
    EXPECT_EQ(stack.waiting(), 0u);
}

}  // namespace
}  // namespace wystrand
