#include "core/message/Protocol.h"

#include <QByteArray>
#include <array>
#include <bitset>
#include <charconv>
#include <limits>
#include <nlohmann/json.hpp>

namespace wystrand {
namespace {

using json = nlohmann::json;

using Field = PipeMsgField;
constexpr const auto& kFields = kPipeMsgFields;

constexpr int kUnknownKey = -1;

int fieldIndex(std::string_view key) {
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        if (kFields[i].key == key) {
            return static_cast<int>(i);
        }
    }
    return kUnknownKey;
}

// The exact value of a JSON number token when it is a whole number within the signed 64-bit
// range. Works on the decimal digits rather than on a double, so that 1.0000000000000000001 is
// not whole and -9223372036854775809 (which rounds to -2^63 as a double) is out of range.
// The token has already been validated by the parser.
std::optional<std::int64_t> wholeNumber(std::string_view token) {
    std::size_t pos = 0;
    const bool negative = !token.empty() && token[0] == '-';
    if (negative) {
        ++pos;
    }
    std::string_view digitsBefore;
    std::string_view digitsAfter;
    std::size_t start = pos;
    while (pos < token.size() && token[pos] >= '0' && token[pos] <= '9') {
        ++pos;
    }
    digitsBefore = token.substr(start, pos - start);
    if (pos < token.size() && token[pos] == '.') {
        start = ++pos;
        while (pos < token.size() && token[pos] >= '0' && token[pos] <= '9') {
            ++pos;
        }
        digitsAfter = token.substr(start, pos - start);
    }
    // Saturated: anything beyond this bound is far outside the range either way.
    constexpr std::int64_t kExponentLimit = 1'000'000'000;
    std::int64_t exponent = 0;
    if (pos < token.size() && (token[pos] == 'e' || token[pos] == 'E')) {
        ++pos;
        bool negativeExponent = false;
        if (pos < token.size() && (token[pos] == '+' || token[pos] == '-')) {
            negativeExponent = token[pos] == '-';
            ++pos;
        }
        for (; pos < token.size(); ++pos) {
            exponent = std::min<std::int64_t>(exponent * 10 + (token[pos] - '0'), kExponentLimit);
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
    }

    // value = digits × 10^scale, with digits = digitsBefore followed by digitsAfter.
    const std::size_t total = digitsBefore.size() + digitsAfter.size();
    auto digitAt = [&](std::size_t i) {
        return i < digitsBefore.size() ? digitsBefore[i] : digitsAfter[i - digitsBefore.size()];
    };
    std::size_t first = 0;
    while (first < total && digitAt(first) == '0') {
        ++first;
    }
    if (first == total) {
        return 0;
    }
    std::size_t last = total;
    std::int64_t scale = exponent - static_cast<std::int64_t>(digitsAfter.size());
    while (digitAt(last - 1) == '0') {
        --last;
        ++scale;
    }
    if (scale < 0) {
        return std::nullopt;
    }
    // 10^19 > 2^63, so a whole number with more than nineteen digits is out of range.
    if (static_cast<std::int64_t>(last - first) + scale > 19) {
        return std::nullopt;
    }
    std::uint64_t magnitude = 0;
    for (std::size_t i = first; i < last; ++i) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(digitAt(i) - '0');
    }
    for (std::int64_t i = 0; i < scale; ++i) {
        magnitude *= 10;
    }
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (!negative) {
        if (magnitude > kMax) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(magnitude);
    }
    if (magnitude > kMax + 1) {
        return std::nullopt;
    }
    return magnitude == kMax + 1 ? std::numeric_limits<std::int64_t>::min()
                                 : -static_cast<std::int64_t>(magnitude);
}

// Streams the parse and keeps only the values of the eighteen known keys, so a hostile line
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

    bool boolean(bool value) override {
        if (atMember()) {
            if (const auto& f = kFields[current_]; f.flag != nullptr) {
                set(f.flag, value);
            } else {
                reject();
            }
        }
        return depth_ > 0;
    }

    bool number_integer(number_integer_t value) override { return integer(value); }

    bool number_unsigned(number_unsigned_t value) override {
        if (value > static_cast<number_unsigned_t>(std::numeric_limits<std::int64_t>::max())) {
            return integer(std::nullopt);
        }
        return integer(static_cast<std::int64_t>(value));
    }

    bool number_float(number_float_t, const string_t& token) override {
        if (!atMember()) {
            return depth_ > 0;
        }
        return integer(wholeNumber(token));
    }

    bool string(string_t& value) override {
        if (atMember()) {
            if (const auto& f = kFields[current_]; f.text != nullptr) {
                set(f.text, QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
            } else {
                reject();
            }
        }
        return depth_ > 0;
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

    bool integer(std::optional<std::int64_t> value) {
        if (atMember()) {
            if (const auto& f = kFields[current_]; f.integer != nullptr && value) {
                set(f.integer, *value);
            } else {
                reject();
            }
        }
        return depth_ > 0;
    }

    template <typename T, typename V>
    void set(std::optional<T> PipeMsg::*field, V&& value) {
        msg_.*field = std::forward<V>(value);
        rejected_.reset(static_cast<std::size_t>(current_));
    }

    void clear() {
        const auto& f = kFields[current_];
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
    std::bitset<kFields.size()> rejected_;
    std::size_t depth_ = 0;
    int current_ = kUnknownKey;
    bool complete_ = false;
};

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
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default: {
                static constexpr char kHex[] = "0123456789abcdef";
                const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xf]};
                out.append(escape, sizeof escape);
            }
        }
    }
    out.append(data + run, size - run);
    out.push_back('"');
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
    for (const Field& f : kFields) {
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

PipeMsg PipeMsg::result(const QString& id, std::int64_t code) {
    PipeMsg m;
    m.id = id;
    m.ev = QStringLiteral("result");
    m.code = code;
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

std::optional<NotifyMode> notifyModeFromRaw(const QString& raw) {
    if (raw == QLatin1String("alert")) {
        return NotifyMode::alert;
    }
    if (raw == QLatin1String("info")) {
        return NotifyMode::info;
    }
    if (raw == QLatin1String("countdown")) {
        return NotifyMode::countdown;
    }
    return std::nullopt;
}

QString rawValue(NotifyMode mode) {
    switch (mode) {
        case NotifyMode::alert:
            return QStringLiteral("alert");
        case NotifyMode::info:
            return QStringLiteral("info");
        case NotifyMode::countdown:
            break;
    }
    return QStringLiteral("countdown");
}

ShowConfig ShowConfig::from(const PipeMsg& m) {
    ShowConfig c;
    const QString type = m.type ? m.type->toLower() : QStringLiteral("eye");
    c.mode = notifyModeFromRaw(m.mode ? m.mode->toLower() : QStringLiteral("countdown"))
                 .value_or(NotifyMode::countdown);
    c.locale = m.locale.value_or(QStringLiteral("vi-VN"));
    const LocaleStrings ls = LocaleStrings::get(c.locale);
    c.variant = resolveVariant(m.variant, type, c.mode);
    c.id = m.id.value_or(QString());
    c.eyebrow = m.eyebrow ? *m.eyebrow : defaultEyebrow(c.variant, type, ls);
    c.title = m.title ? *m.title : defaultTitle(type, ls);
    c.message = m.message ? *m.message : defaultMessage(type, ls);
    c.primary = m.primary ? *m.primary : defaultPrimary(type, ls);
    if (m.secondary) {
        c.secondary = *m.secondary;
    } else if (type == QLatin1String("app_feedback")) {
        c.secondary = ls.snoozeAppFeedback;
    } else if (type == QLatin1String("morning_energy")) {
        c.secondary = ls.snoozeMorning;
    } else {
        c.secondary = ls.snoozeDefault;
    }
    c.skip = m.skip ? *m.skip : ls.skip;
    if (m.detail && !m.detail->isEmpty()) {
        c.detail = m.detail;
    }
    c.placement = m.placement && m.placement->toLower() == QLatin1String("elevated")
                      ? QStringLiteral("elevated")
                      : QStringLiteral("default");
    if (m.duration) {
        c.duration = *m.duration;
    } else {
        switch (c.mode) {
            case NotifyMode::alert:
                c.duration = 90;
                break;
            case NotifyMode::info:
                c.duration = 5;
                break;
            case NotifyMode::countdown:
                c.duration = 20;
                break;
        }
    }
    c.sound = m.sound.value_or(true);
    c.notifyType = type;
    return c;
}

// The variant does not depend on the mode; the parameter stays for callers that pass it.
QString ShowConfig::resolveVariant(const std::optional<QString>& raw, const QString& type,
                                   NotifyMode) {
    if (raw) {
        const QString lower = raw->toLower();
        if (lower == QLatin1String("warning") || lower == QLatin1String("achievement") ||
            lower == QLatin1String("smart_suggestion") ||
            lower == QLatin1String("gentle_reminder")) {
            return lower;
        }
    }
    if (type == QLatin1String("sitting") || type == QLatin1String("stress")) {
        return QStringLiteral("warning");
    }
    if (type == QLatin1String("app_feedback") || type == QLatin1String("info") ||
        type == QLatin1String("morning_energy")) {
        return QStringLiteral("smart_suggestion");
    }
    if (type == QLatin1String("achievement")) {
        return QStringLiteral("achievement");
    }
    return QStringLiteral("gentle_reminder");
}

QString ShowConfig::defaultEyebrow(const QString& variant, const QString& type,
                                   const LocaleStrings& ls) {
    if (type == QLatin1String("morning_energy")) {
        return ls.eyebrowMorning;
    }
    if (variant == QLatin1String("warning")) {
        return ls.eyebrowWarning;
    }
    if (variant == QLatin1String("achievement")) {
        return ls.eyebrowAchievement;
    }
    if (variant == QLatin1String("smart_suggestion")) {
        return ls.eyebrowSmart;
    }
    return ls.eyebrowGentle;
}

QString ShowConfig::defaultTitle(const QString& type, const LocaleStrings& ls) {
    if (type == QLatin1String("sitting")) {
        return ls.titleSitting;
    }
    if (type == QLatin1String("stress")) {
        return ls.titleStress;
    }
    if (type == QLatin1String("exercise")) {
        return ls.titleExercise;
    }
    if (type == QLatin1String("app_feedback")) {
        return ls.titleAppFeedback;
    }
    return ls.titleEye;
}

QString ShowConfig::defaultMessage(const QString& type, const LocaleStrings& ls) {
    if (type == QLatin1String("sitting")) {
        return ls.messageSitting;
    }
    if (type == QLatin1String("stress")) {
        return ls.messageStress;
    }
    if (type == QLatin1String("exercise")) {
        return ls.messageExercise;
    }
    if (type == QLatin1String("app_feedback")) {
        return ls.messageAppFeedback;
    }
    return ls.messageEye;
}

QString ShowConfig::defaultPrimary(const QString& type, const LocaleStrings& ls) {
    if (type == QLatin1String("eye")) {
        return ls.acceptEye;
    }
    if (type == QLatin1String("sitting")) {
        return ls.acceptSitting;
    }
    if (type == QLatin1String("stress")) {
        return ls.acceptStress;
    }
    if (type == QLatin1String("app_feedback")) {
        return ls.acceptAppFeedback;
    }
    return ls.acceptDefault;
}

}  // namespace wystrand
