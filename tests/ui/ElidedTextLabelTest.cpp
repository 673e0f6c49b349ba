#include <gtest/gtest.h>

#include "ui/card/ElidedTextLabel.h"

namespace wystrand {
namespace {

QStringList linesOf(const QString& text, int maxLines, int width) {
    ElidedTextLabel label(text, maxLines);
    QFont font = label.font();
    font.setPixelSize(12);
    label.setFont(font);
    return label.visibleLines(width);
}

TEST(ElidedTextLabelTest, OnlyTheLastAllowedLineIsCut) {
    const QString text =
        "one two three four five six seven eight nine ten eleven twelve "
        "thirteen fourteen fifteen sixteen seventeen eighteen nineteen twenty";
    const QChar ellipsis(0x2026);
    const QStringList two = linesOf(text, 2, 120);
    ASSERT_EQ(two.size(), 2);
    EXPECT_TRUE(text.startsWith(two[0]));
    EXPECT_TRUE(two[1].endsWith(ellipsis)) << two[1].toStdString();
    EXPECT_EQ(linesOf(text, 0, 120).join("").remove(' '), QString(text).remove(' '));

    EXPECT_EQ(linesOf("first\nsecond", 2, 300), (QStringList{"first", "second"}));
    const QStringList typed = linesOf("a\nb\nc\nd", 3, 300);
    ASSERT_EQ(typed.size(), 3);
    EXPECT_EQ(typed.mid(0, 2), (QStringList{"a", "b"}));
    EXPECT_TRUE(typed[2].startsWith("c") && typed[2].endsWith(ellipsis)) << typed[2].toStdString();
}

}  // namespace
}  // namespace wystrand
