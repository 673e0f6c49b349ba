#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
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

// The public JSON parsing suite in the shared folder, files grouped by their name prefix.
class JsonSuiteTest : public testing::Test {
protected:
    void SetUp() override {
        const fs::path dir = fs::path(WYSTRAND_SHARED_DIR) / "jsontestsuite";
        if (!fs::is_directory(dir)) {
            GTEST_SKIP() << "JSON test suite not found at " << dir;
        }
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path().extension() != ".json") {
                continue;
            }
            std::ifstream in(entry.path(), std::ios::binary);
            files_.push_back({entry.path().filename().string(),
                              std::string(std::istreambuf_iterator<char>(in), {})});
        }
    }

    std::vector<SuiteFile> withPrefix(const std::string& prefix) const {
        std::vector<SuiteFile> result;
        for (const auto& f : files_) {
            if (f.name.rfind(prefix, 0) == 0) {
                result.push_back(f);
            }
        }
        return result;
    }

private:
    std::vector<SuiteFile> files_;
};

enum class Kind { text, integer, boolean };

const std::vector<std::pair<std::string, Kind>>& knownKeys() {
    static const std::vector<std::pair<std::string, Kind>> keys{
        {"id", Kind::text},          {"op", Kind::text},       {"ev", Kind::text},
        {"code", Kind::integer},     {"mode", Kind::text},     {"type", Kind::text},
        {"locale", Kind::text},      {"eyebrow", Kind::text},  {"title", Kind::text},
        {"message", Kind::text},     {"primary", Kind::text},  {"secondary", Kind::text},
        {"skip", Kind::text},        {"detail", Kind::text},   {"placement", Kind::text},
        {"duration", Kind::integer}, {"sound", Kind::boolean}, {"variant", Kind::text},
    };
    return keys;
}

bool wholeInRange(const json& v) {
    if (v.is_number_unsigned()) {
        return v.get<std::uint64_t>() <=
               static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    }
    if (v.is_number_integer()) {
        return true;
    }
    if (v.is_number_float()) {
        const double d = v.get<double>();
        return std::isfinite(d) && d == std::trunc(d) && d >= -0x1p63 && d < 0x1p63;
    }
    return false;
}

// The decoded record as the document model sees it, or nothing when it is no record.
std::optional<json> expectedRecord(const std::string& bytes) {
    if (bytes.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    const json doc = json::parse(bytes, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) {
        return std::nullopt;
    }
    json record = json::object();
    for (const auto& [key, kind] : knownKeys()) {
        const auto it = doc.find(key);
        if (it == doc.end() || it->is_null()) {
            continue;
        }
        const bool typed = kind == Kind::text      ? it->is_string()
                           : kind == Kind::boolean ? it->is_boolean()
                                                   : wholeInRange(*it);
        if (!typed) {
            return std::nullopt;
        }
        record[key] = *it;
    }
    return record;
}

TEST_F(JsonSuiteTest, EveryInvalidDocumentIsRejected) {
    const auto files = withPrefix("n_");
    EXPECT_GT(files.size(), 100u);
    for (const auto& f : files) {
        EXPECT_FALSE(PipeMsg::decode(f.bytes)) << f.name;
    }
}

TEST_F(JsonSuiteTest, ValidDocumentsDecodeWhenTheyAreWellTypedObjects) {
    const auto files = withPrefix("y_");
    EXPECT_GT(files.size(), 50u);
    int records = 0;
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const auto expected = expectedRecord(f.bytes);
        const auto decoded = PipeMsg::decode(f.bytes);
        ASSERT_EQ(decoded.has_value(), expected.has_value());
        if (decoded) {
            ++records;
            const json encoded = json::parse(decoded->encode());
            EXPECT_EQ(encoded, *expected);
        }
    }
    EXPECT_GT(records, 5);
}

TEST_F(JsonSuiteTest, ImplementationDefinedDocumentsNeverCrash) {
    const auto files = withPrefix("i_");
    EXPECT_GT(files.size(), 10u);
    for (const auto& f : files) {
        // Either way is allowed; whatever is accepted must also be an object to a DOM parser.
        if (PipeMsg::decode(f.bytes)) {
            EXPECT_TRUE(expectedRecord(f.bytes)) << f.name;
        }
    }
}

}  // namespace
}  // namespace wystrand
