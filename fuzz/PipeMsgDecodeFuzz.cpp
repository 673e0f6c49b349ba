// The record decoder on arbitrary bytes. Its verdict and fields are checked against a plain
// document parse of the same bytes, and every record it accepts must encode to one line that
// decodes to the same record.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "core/message/PipeMsg.h"

namespace {

using wystrand::PipeMsg;
using json = nlohmann::json;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Expected {
    bool known = true;  // false when the document parse cannot tell (a number with a fraction
                        // or an exponent, whose exact value the document has rounded)
    std::optional<PipeMsg> msg;
};

bool setText(const json& value, std::optional<QString>& field) {
    if (!value.is_string()) {
        return false;
    }
    const auto& s = value.get_ref<const std::string&>();
    field = QString::fromUtf8(s.data(), qsizetype(s.size()));
    return true;
}

// Duplicate keys: the document keeps the last value, as the record does.
Expected expectedRecord(std::string_view bytes) {
    const json doc = json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) {
        return {true, std::nullopt};
    }
    Expected out;
    PipeMsg m;
    bool ok = true;
    auto text = [&](const char* key, std::optional<QString>& field) {
        const auto it = doc.find(key);
        if (it != doc.end() && !it->is_null()) {
            ok = setText(*it, field) && ok;
        }
    };
    auto integer = [&](const char* key, std::optional<std::int64_t>& field) {
        const auto it = doc.find(key);
        if (it == doc.end() || it->is_null()) {
            return;
        }
        if (it->is_number_float()) {
            out.known = false;
        } else if (it->is_number_unsigned()) {
            const auto value = it->get<std::uint64_t>();
            if (value > std::uint64_t(std::numeric_limits<std::int64_t>::max())) {
                ok = false;
            } else {
                field = std::int64_t(value);
            }
        } else if (it->is_number_integer()) {
            field = it->get<std::int64_t>();
        } else {
            ok = false;
        }
    };
    text("id", m.id);
    text("op", m.op);
    text("ev", m.ev);
    integer("code", m.code);
    text("reason", m.reason);
    text("version", m.version);
    text("mode", m.mode);
    text("type", m.type);
    text("locale", m.locale);
    text("eyebrow", m.eyebrow);
    text("title", m.title);
    text("message", m.message);
    text("primary", m.primary);
    text("secondary", m.secondary);
    text("skip", m.skip);
    text("detail", m.detail);
    text("placement", m.placement);
    integer("duration", m.duration);
    auto flag = [&](const char* key, std::optional<bool>& field) {
        if (const auto it = doc.find(key); it != doc.end() && !it->is_null()) {
            if (it->is_boolean()) {
                field = it->get<bool>();
            } else {
                ok = false;
            }
        }
    };
    flag("sound", m.sound);
    text("variant", m.variant);
    flag("hold", m.hold);
    if (ok) {
        out.msg = std::move(m);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<PipeMsg> msg = PipeMsg::decode(bytes);

    if (bytes.find('\0') == std::string_view::npos) {
        const Expected expected = expectedRecord(bytes);
        if (expected.known) {
            check(msg == expected.msg);
        } else if (!expected.msg) {
            check(!msg);
        }
    } else {
        check(!msg);
    }

    if (!msg) {
        return 0;
    }
    const std::string line = msg->encode();
    check(line.find('\n') == std::string::npos);
    check(line.front() == '{' && line.back() == '}');
    const std::optional<PipeMsg> again = PipeMsg::decode(line);
    check(again == msg);
    check(again->encode() == line);
    return 0;
}
