#include <gtest/gtest.h>

#include <QString>
#include <string>
#include <vector>

#include "core/message/Locale.h"

namespace wystrand {
namespace {

LocaleStrings get(const std::string& tag) {
    return LocaleStrings::get(QString::fromStdString(tag));
}

TEST(LocaleStrings, TagsMatchExactlyAfterLowerCasing) {
    // Each language's skip label and tags. The Kelvin sign lower-cases to "k"; full-width stays.
    const struct {
        const char* language;
        QString skip;
        std::vector<const char*> tags;
    } cases[] = {
        {"en", QStringLiteral(u"Skip"), {"en-us", "EN-US", "En"}},
        {"es", QStringLiteral(u"Saltar"), {"es-ES", "ES"}},
        {"zh", QStringLiteral(u"跳过"), {"zh-CN", "ZH"}},
        {"ko", QStringLiteral(u"건너뛰기"), {"ko-KR", "\u212Ao"}},
        {"ja", QStringLiteral(u"スキップ"), {"ja-JP", "JA"}},
        {"vi-VN", QStringLiteral(u"Bỏ qua"), {"en_US", " en", "", "vi", "zh-TW", "\uFF25\uFF2E"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(get(c.language).skip, c.skip) << c.language;
        for (const char* tag : c.tags) {
            EXPECT_EQ(get(tag), get(c.language)) << '"' << tag << '"';
        }
    }
}

}  // namespace
}  // namespace wystrand
