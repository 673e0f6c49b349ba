#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

#include "core/message/PipeMsg.h"

namespace wystrand {
namespace {

using json = nlohmann::json;

// n_: invalid, y_: valid (no known key ill-typed), i_: either; none may crash or hang the decoder.
TEST(JsonSuite, InvalidDocumentsFailAndValidObjectsDecode) {
    const auto dir = std::filesystem::path(WYSTRAND_SHARED_DIR) / "jsontestsuite";
    if (!std::filesystem::is_directory(dir)) {
        GTEST_SKIP() << "no JSON test suite in " << dir;
    }
    int invalid = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes(std::istreambuf_iterator<char>(in), {});
        const auto decoded = PipeMsg::decode(bytes);
        if (name.starts_with("n_")) {
            ++invalid;
            EXPECT_FALSE(decoded) << name;
        } else if (name.starts_with("y_") || decoded) {
            const json doc = json::parse(bytes, nullptr, false);
            ASSERT_EQ(decoded.has_value(), doc.is_object() && bytes.find('\0') == bytes.npos)
                << name;
            const json record = json::parse(decoded ? decoded->encode() : "{}");
            for (const auto& item : record.items()) {
                EXPECT_TRUE(doc.contains(item.key()) && doc.at(item.key()) == item.value()) << name;
            }
        }
    }
    EXPECT_GT(invalid, 0) << "no n_ files in " << dir;
}

}  // namespace
}  // namespace wystrand
