#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QKeySequence>

#include "ui/card/PlainButton.h"

namespace wystrand {
namespace {

TEST(PlainButtonTest, AmpersandIsShownAsTypedAndMakesNoShortcut) {
    PlainButton button("Rock & Roll");
    EXPECT_EQ(button.text(), "Rock && Roll");
    EXPECT_TRUE(QKeySequence::mnemonic(button.text()).isEmpty());
    // Drawn with one '&': the width is that of the typed label.
    const QFontMetrics metrics(button.font());
    EXPECT_EQ(button.sizeHint().width(), metrics.size(0, "Rock & Roll").width());
    EXPECT_LT(button.sizeHint().width(), metrics.size(0, "Rock && Roll").width());

    PlainButton trailing("&");
    EXPECT_EQ(trailing.text(), "&&");
    EXPECT_TRUE(QKeySequence::mnemonic(trailing.text()).isEmpty());
}

}  // namespace
}  // namespace wystrand
