#include "core/message/PipeMsg.h"

#include <QByteArray>
#include <bitset>
#include <charconv>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

#include "core/Release.h"
#include "core/context/Context.h"
#include "core/message/WholeNumber.h"

namespace wystrand {
namespace {

using json = nlohmann::json;

constexpr int kUnknownKey = -1;

int fieldIndex(std::string_view key) {
    for (std::size_t i = 0; i < kPipeMsgFields.size(); ++i) {
        if (kPipeMsgFields[i].key == key) {
            return static_cast<int>(i);
        }
    }
    return kUnknownKey;
}

// Streams the parse and keeps only the values of the known keys, so a hostile line
// never becomes a document in memory. A non-object top level stops the parse at its first
// token. A wrongly typed value marks its field instead of stopping, because a later duplicate
// of the same key replaces it.
class Decoder : public nlohmann::json_sax<json> {
public:
    bool null() override {
        if (atMember()) {
            clear();
        }
        return depth_ > 0;
    }

    bool boolean(bool value) override { return store(&PipeMsgField::flag, std::optional(value)); }

    bool number_integer(number_integer_t value) override {
        return store(&PipeMsgField::integer, std::optional<std::int64_t>(value));
    }

    bool number_unsigned(number_unsigned_t value) override {
        constexpr auto kMax =
            static_cast<number_unsigned_t>(std::numeric_limits<std::int64_t>::max());
        return store(&PipeMsgField::integer,
                     value > kMax ? std::nullopt : std::optional<std::int64_t>(value));
    }

    bool number_float(number_float_t, const string_t& token) override {
        return atMember() ? store(&PipeMsgField::integer, wholeNumber(token)) : depth_ > 0;
    }

    bool string(string_t& value) override {
        if (!atMember()) {
            return depth_ > 0;
        }
        return store(&PipeMsgField::text, std::optional(QString::fromUtf8(
                                              value.data(), static_cast<qsizetype>(value.size()))));
    }

    bool binary(binary_t&) override { return false; }

    bool start_object(std::size_t) override { return enter(); }

    bool key(string_t& value) override {
        if (depth_ == 1) {
            current_ = fieldIndex(value);
        }
        return true;
    }

    bool end_object() override { return leave(); }

    bool start_array(std::size_t) override {
        if (depth_ == 0) {
            return false;
        }
        return enter();
    }

    bool end_array() override { return leave(); }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

    std::optional<PipeMsg> take() {
        if (!complete_ || rejected_.any()) {
            return std::nullopt;
        }
        return std::move(msg_);
    }

private:
    bool atMember() const { return depth_ == 1 && current_ != kUnknownKey; }

    bool enter() {
        if (atMember()) {
            reject();
        }
        ++depth_;
        return true;
    }

    bool leave() {
        --depth_;
        if (depth_ == 1) {
            current_ = kUnknownKey;
        } else if (depth_ == 0) {
            complete_ = true;
        }
        return true;
    }

    // Keeps `value` when the current field holds that kind of value. Anything else (nullopt: a
    // number that is not a whole signed 64-bit one) fails the record, unless a later duplicate
    // of the key replaces it.
    template <typename T>
    bool store(std::optional<T> PipeMsg::*PipeMsgField::*kind, std::optional<T> value) {
        if (atMember()) {
            if (const auto field = kPipeMsgFields[current_].*kind; field != nullptr && value) {
                msg_.*field = std::move(value);
                rejected_.reset(static_cast<std::size_t>(current_));
            } else {
                reject();
            }
        }
        return depth_ > 0;
    }

    void clear() {
        const auto& f = kPipeMsgFields[current_];
        if (f.text != nullptr) {
            (msg_.*f.text).reset();
        } else if (f.integer != nullptr) {
            (msg_.*f.integer).reset();
        } else {
            (msg_.*f.flag).reset();
        }
        rejected_.reset(static_cast<std::size_t>(current_));
    }

    void reject() {
        clear();
        rejected_.set(static_cast<std::size_t>(current_));
    }

    PipeMsg msg_;
    std::bitset<kPipeMsgFields.size()> rejected_;
    std::size_t depth_ = 0;
    int current_ = kUnknownKey;
    bool complete_ = false;
};

// The characters with an escape of their own, and the letter after the backslash of each.
constexpr std::string_view kNamedEscapes = "\"\\\n\r\t\b\f";
constexpr std::string_view kEscapeNames = "\"\\nrtbf";

void appendString(std::string& out, const QString& text) {
    // QString::toUtf8 replaces unpaired surrogates, so the output is always valid UTF-8.
    const QByteArray utf8 = text.toUtf8();
    const char* data = utf8.constData();
    const auto size = static_cast<std::size_t>(utf8.size());
    out.push_back('"');
    std::size_t run = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        if (c >= 0x20 && c != '"' && c != '\\') {
            continue;
        }
        out.append(data + run, i - run);
        run = i + 1;
        out.push_back('\\');
        if (const std::size_t named = kNamedEscapes.find(static_cast<char>(c));
            named != std::string_view::npos) {
            out.push_back(kEscapeNames[named]);
        } else {
            static constexpr char kHex[] = "0123456789abcdef";
            const char escape[] = {'u', '0', '0', kHex[c >> 4], kHex[c & 0xf]};
            out.append(escape, sizeof escape);
        }
    }
    out.append(data + run, size - run);
    out.push_back('"');
}

QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

void appendInteger(std::string& out, std::int64_t value) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end);
}

}  // namespace

std::optional<PipeMsg> PipeMsg::decode(std::string_view bytes) {
    // A raw NUL is never valid JSON, but nlohmann's lexer takes it for the end of the input and
    // would accept whatever precedes it.
    if (bytes.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    try {
        Decoder decoder;
        if (!json::sax_parse(bytes.data(), bytes.data() + bytes.size(), &decoder)) {
            return std::nullopt;
        }
        return decoder.take();
    } catch (...) {
        // Only allocation failure can get here; a line that cannot be held is a line dropped.
        return std::nullopt;
    }
}

std::string PipeMsg::encode() const {
    std::string out;
    out.reserve(64);
    out.push_back('{');
    for (const PipeMsgField& f : kPipeMsgFields) {
        if (f.text != nullptr      ? !(this->*f.text).has_value()
            : f.integer != nullptr ? !(this->*f.integer).has_value()
                                   : !(this->*f.flag).has_value()) {
            continue;
        }
        if (out.size() > 1) {
            out.push_back(',');
        }
        out.push_back('"');
        out.append(f.key);
        out += "\":";
        if (f.text != nullptr) {
            appendString(out, *(this->*f.text));
        } else if (f.integer != nullptr) {
            appendInteger(out, *(this->*f.integer));
        } else {
            out += *(this->*f.flag) ? "true" : "false";
        }
    }
    out.push_back('}');
    return out;
}

PipeMsg PipeMsg::ready(const QString& id) {
    PipeMsg m;
    m.id = id;
    m.ev = QStringLiteral("ready");
    return m;
}

PipeMsg PipeMsg::result(const QString& id, std::int64_t code, std::optional<EndReason> reason) {
    PipeMsg m = ready(id);
    m.ev = QStringLiteral("result");
    m.code = code;
    if (reason) {
        m.reason = latin1(reasonName(*reason));
    }
    return m;
}

PipeMsg PipeMsg::hello() {
    PipeMsg m;
    m.ev = QStringLiteral("hello");
    m.version = latin1(kRelease);
    m.detail = latin1(kFeatures);
    return m;
}

PipeMsg PipeMsg::pong() {
    PipeMsg m;
    m.ev = QStringLiteral("pong");
    return m;
}

PipeMsg PipeMsg::heartbeat() {
    PipeMsg m;
    m.ev = QStringLiteral("hb");
    return m;
}

PipeMsg PipeMsg::held(const QString& id) {
    PipeMsg m = ready(id);
    m.ev = QStringLiteral("held");
    return m;
}

PipeMsg PipeMsg::busyOrFree(const Context& context) {
    PipeMsg m;
    if (context.busy()) {
        m.ev = QStringLiteral("busy");
        m.detail = context.causes();
    } else {
        m.ev = QStringLiteral("free");
    }
    return m;
}

PipeMsg PipeMsg::awayOrBack(const Context& context) {
    PipeMsg m;
    m.ev = context.away ? QStringLiteral("away") : QStringLiteral("back");
    return m;
}

}  // namespace wystrand
