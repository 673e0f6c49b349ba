#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "core/message/Protocol.h"

namespace wystrand {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

struct SuiteFile {
    std::string name;
    std::string bytes;
};

// The files of the public JSON parsing suite whose names start with `prefix`.
std::vector<SuiteFile> suiteFiles(const std::string& prefix) {
    std::vector<SuiteFile> files;
    for (const auto& entry :
         fs::directory_iterator(fs::path(WYSTRAND_SHARED_DIR) / "jsontestsuite")) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && entry.path().extension() == ".json") {
            std::ifstream in(entry.path(), std::ios::binary);
            files.push_back({name, std::string(std::istreambuf_iterator<char>(in), {})});
        }
    }
    return files;
}

class JsonSuiteTest : public testing::Test {
protected:
    void SetUp() override {
        if (!fs::is_directory(fs::path(WYSTRAND_SHARED_DIR) / "jsontestsuite")) {
            GTEST_SKIP() << "no JSON test suite in " << WYSTRAND_SHARED_DIR;
        }
    }
};

// What the record should hold, worked out on nlohmann's document model; nothing when the
// bytes are no record.
std::optional<json> expectedRecord(const std::string& bytes) {
    const json doc = json::parse(bytes, nullptr, false);
    if (bytes.find('\0') != std::string::npos || doc.is_discarded() || !doc.is_object()) {
        return std::nullopt;
    }
    auto wholeInRange = [](const json& v) {
        if (v.is_number_unsigned()) {
            return v.get<std::uint64_t>() <= std::uint64_t{INT64_MAX};
        }
        const double d = v.is_number() ? v.get<double>() : 0.5;
        return v.is_number_integer() || (d == std::trunc(d) && d >= -0x1p63 && d < 0x1p63);
    };
    json record = json::object();
    for (const auto& [key, value] : doc.items()) {
        static const std::vector<std::string> texts{
            "id",      "op",      "ev",        "mode", "type",   "locale",    "eyebrow", "title",
            "message", "primary", "secondary", "skip", "detail", "placement", "variant"};
        const bool text = std::find(texts.begin(), texts.end(), key) != texts.end();
        const bool number = key == "code" || key == "duration";
        if (value.is_null() || (!text && !number && key != "sound")) {
            continue;
        }
        if (text ? !value.is_string() : number ? !wholeInRange(value) : !value.is_boolean()) {
            return std::nullopt;
        }
        record[key] = value;
    }
    return record;
}

TEST_F(JsonSuiteTest, EveryInvalidDocumentIsRejected) {
    const auto files = suiteFiles("n_");
    EXPECT_GT(files.size(), 100u);
    for (const auto& f : files) {
        EXPECT_FALSE(PipeMsg::decode(f.bytes)) << f.name;
    }
}

TEST_F(JsonSuiteTest, ValidDocumentsDecodeWhenTheyAreWellTypedObjects) {
    const auto files = suiteFiles("y_");
    EXPECT_GT(files.size(), 50u);
    int records = 0;
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const auto expected = expectedRecord(f.bytes);
        const auto decoded = PipeMsg::decode(f.bytes);
        ASSERT_EQ(decoded.has_value(), expected.has_value());
        if (decoded) {
            ++records;
            EXPECT_EQ(json::parse(decoded->encode()), *expected);
        }
    }
    EXPECT_GT(records, 5);
}

TEST_F(JsonSuiteTest, ImplementationDefinedDocumentsNeverCrash) {
    const auto files = suiteFiles("i_");
    EXPECT_GT(files.size(), 10u);
    for (const auto& f : files) {
        // Either answer is allowed, but an accepted line must be an object to another parser too.
        if (PipeMsg::decode(f.bytes)) {
            EXPECT_TRUE(expectedRecord(f.bytes)) << f.name;
        }
    }
}

}  // namespace
}  // namespace wystrand
