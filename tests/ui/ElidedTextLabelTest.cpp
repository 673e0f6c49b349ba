#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QString>
#include <QStringList>
#include <string>

#include "ui/card/ElidedTextLabel.h"
#include "ui/card/RecentlyUsed.h"

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

// Every high surrogate followed by a low one, every low one preceded by a high one.
bool wellFormed(const QString& s) {
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate() && (i + 1 == s.size() || !s[i + 1].isLowSurrogate())) {
            return false;
        }
        if (s[i].isLowSurrogate() && (i == 0 || !s[i - 1].isHighSurrogate())) {
            return false;
        }
    }
    return true;
}

TEST(ElidedTextLabelTest, ShowsAtMostItsLinesTheLastCutWithAnEllipsis) {
    const QString text = words(60);
    const QStringList all = ElidedTextLabel(text, 0).shownLines(150);
    ASSERT_GT(all.size(), 3);
    EXPECT_EQ(all.join(QString()), text);
    for (const int limit : {2, 3}) {
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

TEST(ElidedTextLabelTest, TypedNewlinesBreakLines) {
    const QString text = QStringLiteral("one\ntwo\nthree");
    EXPECT_EQ(ElidedTextLabel(text, 3).shownLines(300), (QStringList{"one", "two", "three"}));
    // The last allowed line ends where the break was typed; the ellipsis says more follows.
    EXPECT_EQ(ElidedTextLabel(text, 2).shownLines(300), (QStringList{"one", QString("two…")}));
    EXPECT_EQ(ElidedTextLabel("one\ntwo\n", 2).shownLines(300), (QStringList{"one", "two"}));
    // A break inside the text that the last line cuts off is no character of its own.
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
                EXPECT_TRUE(wellFormed(line)) << width << ": " << line.toStdString();
            }
        }
    }
}

// Layouts are kept per width; a new text or font must never be measured by an old one.
TEST(ElidedTextLabelTest, ANewTextOrFontIsLaidOutAfresh) {
    ElidedTextLabel label(words(40), 0);
    const int wide = label.heightForWidth(300);
    const int narrow = label.heightForWidth(150);
    EXPECT_GT(narrow, wide);
    EXPECT_EQ(label.heightForWidth(300), wide);

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

TEST(ElidedTextLabelTest, LabelsShareLayoutsOnlyForTheSameTextFontAndLineLimit) {
    const QString text = words(40);
    ElidedTextLabel unlimited(text, 0);
    ElidedTextLabel oneLine(text, 1);
    ElidedTextLabel spaced(text, 0);
    QFont font = spaced.font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    spaced.setFont(font);

    const QStringList all = unlimited.shownLines(150);
    ASSERT_GT(all.size(), 3);
    const QStringList first = oneLine.shownLines(150);
    ASSERT_EQ(first.size(), 1);
    EXPECT_TRUE(first[0].endsWith(ellipsis));
    EXPECT_GT(spaced.shownLines(150).size(), all.size());
    EXPECT_GT(spaced.sizeHint().width(), unlimited.sizeHint().width());

    // A label made later with the same text and font lays it out as the first one did.
    ElidedTextLabel again(text, 0);
    EXPECT_EQ(again.shownLines(150), all);
    EXPECT_EQ(again.heightForWidth(150), unlimited.heightForWidth(150));
}

// The store behind the shared layouts.
TEST(RecentlyUsedTest, MakesEachValueOnceAndDropsTheLeastRecentlyUsedWhenFull) {
    RecentlyUsed<int, std::string, 2> kept;
    int made = 0;
    auto get = [&](int key) {
        return kept.get(key, [&] {
            ++made;
            return "v" + std::to_string(key);
        });
    };
    EXPECT_EQ(get(1), "v1");
    EXPECT_EQ(get(2), "v2");
    EXPECT_EQ(get(1), "v1");
    EXPECT_EQ(made, 2);

    // 2 was used least recently: 3 takes its place, 1 stays.
    EXPECT_EQ(get(3), "v3");
    EXPECT_EQ(kept.size(), 2U);
    EXPECT_EQ(get(1), "v1");
    EXPECT_EQ(made, 3);
    EXPECT_EQ(get(2), "v2");
    EXPECT_EQ(made, 4);
}

}  // namespace
}  // namespace wystrand
