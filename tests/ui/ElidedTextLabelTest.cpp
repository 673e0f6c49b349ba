#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QString>
#include <QStringList>

#include "ui/card/ElidedTextLabel.h"

namespace wystrand {
namespace {

const QChar ellipsis(0x2026);

QString words(int count) {
    QStringList list;
    for (int i = 0; i < count; ++i) {
        list.append(QStringLiteral("word%1").arg(i));
    }
    return list.join(u' ');
}

TEST(ElidedTextLabelTest, ShowsAtMostItsLinesTheLastCutWithAnEllipsis) {
    const QString text = words(60);
    const QStringList all = ElidedTextLabel(text, 0).shownLines(150);
    ASSERT_GT(all.size(), 3);
    EXPECT_EQ(all.join(QString()), text);
    for (const int limit : {1, 3}) {
        const ElidedTextLabel label(text, limit);
        const QStringList lines = label.shownLines(150);
        ASSERT_EQ(lines.size(), limit);
        EXPECT_EQ(lines.mid(0, limit - 1), all.mid(0, limit - 1));
        EXPECT_TRUE(lines.back().endsWith(ellipsis)) << lines.back().toStdString();
        EXPECT_LE(QFontMetricsF(label.font()).horizontalAdvance(lines.back()), 150);
        // A text that ends with the last allowed line is shown whole.
        const QString exact = all.mid(0, limit).join(QString()).trimmed();
        EXPECT_EQ(ElidedTextLabel(exact, limit).shownLines(150).join(QString()), exact);
    }
}

// The last allowed line ends where a break was typed, with an ellipsis when more follows; a break
// inside the text that the last line cuts off is no character of its own.
TEST(ElidedTextLabelTest, TypedNewlinesBreakLines) {
    for (const auto& [text, limit, shown] :
         {std::tuple{"one\ntwo\nthree", 3, QStringList{"one", "two", "three"}},
          {"one\ntwo\nthree", 2, {"one", QString("two") + ellipsis}},
          {"one\ntwo\n", 2, {"one", "two"}}}) {
        EXPECT_EQ(ElidedTextLabel(text, limit).shownLines(300), shown) << text;
    }
    const QStringList lines = ElidedTextLabel(words(12) + "\nnext", 1).shownLines(150);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("word0 word1")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(ellipsis));
    EXPECT_FALSE(lines[0].contains(QChar::LineSeparator) || lines[0].contains(u'\n'));
}

TEST(ElidedTextLabelTest, NeverCutsASurrogatePair) {
    const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80");
    for (const QString& text : {grin.repeated(200), (QStringLiteral("a") + grin).repeated(150)}) {
        for (const int width : {37, 50, 61, 90}) {
            const QStringList lines = ElidedTextLabel(text, 2).shownLines(width);
            ASSERT_EQ(lines.size(), 2) << width;
            EXPECT_TRUE(lines.back().endsWith(ellipsis)) << width;
            for (const QString& line : lines) {
                EXPECT_TRUE(line.isValidUtf16()) << width << ": " << line.toStdString();
            }
        }
    }
}

// Layouts are kept per width and shared between labels; a new text, font or line limit must
// never be measured by another's.
TEST(ElidedTextLabelTest, ANewTextOrFontIsLaidOutAfresh) {
    const QString text = words(40);
    ElidedTextLabel label(text, 0);
    const QStringList all = label.shownLines(150);
    const int wide = label.heightForWidth(300);
    const int narrow = label.heightForWidth(150);
    EXPECT_GT(narrow, wide);
    EXPECT_EQ(label.heightForWidth(300), wide);
    const ElidedTextLabel again(text, 0);
    EXPECT_EQ(again.shownLines(150), all);
    EXPECT_EQ(again.heightForWidth(150), narrow);
    EXPECT_EQ(ElidedTextLabel(text, 1).shownLines(150).size(), 1);

    ElidedTextLabel spaced(text, 0);
    QFont font = spaced.font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    spaced.setFont(font);
    EXPECT_GT(spaced.shownLines(150).size(), all.size());
    EXPECT_GT(spaced.sizeHint().width(), label.sizeHint().width());

    label.setText(QStringLiteral("short"));
    EXPECT_EQ(label.shownLines(150), QStringList{"short"});
    EXPECT_LT(label.heightForWidth(150), narrow);
    const QSize shortHint = label.sizeHint();
    QFont larger = label.font();
    larger.setPixelSize(40);
    label.setFont(larger);
    EXPECT_GT(label.heightForWidth(150), QFontMetricsF(larger).height() - 1);
    EXPECT_GT(label.sizeHint().width(), shortHint.width());
}

}  // namespace
}  // namespace wystrand
