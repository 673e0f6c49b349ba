#include <gtest/gtest.h>

#include <QFont>
#include <QString>

#include "ui/card/ElidedTextLabel.h"

namespace wystrand {
namespace {

const QString longText =
    "one two three four five six seven eight nine ten eleven twelve thirteen fourteen "
    "fifteen sixteen seventeen eighteen nineteen twenty";

ElidedTextLabel* label(const QString& text, int lines) {
    auto* l = new ElidedTextLabel(text, lines);
    QFont font = l->font();
    font.setPixelSize(12);
    l->setFont(font);
    return l;
}

TEST(ElidedTextLabelTest, CutsTheLastAllowedLineWithAnEllipsis) {
    std::unique_ptr<ElidedTextLabel> two(label(longText, 2));
    const QStringList lines = two->visibleLines(120);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_FALSE(lines[0].endsWith(QChar(0x2026)));
    EXPECT_TRUE(lines[1].endsWith(QChar(0x2026))) << lines[1].toStdString();
    EXPECT_TRUE(longText.startsWith(lines[0])) << "the first line is the text's own start";

    std::unique_ptr<ElidedTextLabel> unlimited(label(longText, 0));
    EXPECT_GT(unlimited->visibleLines(120).size(), 3);
    EXPECT_EQ(unlimited->visibleLines(120).join("").remove(' '), QString(longText).remove(' '));
    EXPECT_GT(unlimited->heightForWidth(120), two->heightForWidth(120));
}

TEST(ElidedTextLabelTest, TextThatFitsIsShownWhole) {
    std::unique_ptr<ElidedTextLabel> l(label("short", 2));
    EXPECT_EQ(l->visibleLines(300), QStringList{"short"});
    EXPECT_EQ(l->visibleLines(l->sizeHint().width()), QStringList{"short"});
    // Exactly at the limit: no ellipsis.
    std::unique_ptr<ElidedTextLabel> exact(label("first\nsecond", 2));
    EXPECT_EQ(exact->visibleLines(300), (QStringList{"first", "second"}));
}

TEST(ElidedTextLabelTest, TypedLineBreaksCountAgainstTheLimit) {
    std::unique_ptr<ElidedTextLabel> l(label("a\nb\nc\nd", 3));
    const QStringList lines = l->visibleLines(300);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[1], "b");
    EXPECT_TRUE(lines[2].startsWith("c")) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QChar(0x2026)));
}

TEST(ElidedTextLabelTest, MarkupIsText) {
    std::unique_ptr<ElidedTextLabel> l(label("<b>x</b>", 2));
    EXPECT_EQ(l->textFormat(), Qt::PlainText);
    EXPECT_EQ(l->visibleLines(300), QStringList{"<b>x</b>"});
}

}  // namespace
}  // namespace wystrand
