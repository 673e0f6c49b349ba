#include "core/message/WholeNumber.h"

#include <algorithm>
#include <limits>
#include <string>

namespace wystrand {

namespace {

// A JSON number token as digits × 10^exponent, without leading or trailing zeros in the digits
// (so zero has none).
struct Decimal {
    bool negative = false;
    std::string digits;
    std::int64_t exponent = 0;
};

// `token` has already been validated by the parser: -?int(.fraction)?([eE][+-]?exponent)?
Decimal splitNumber(std::string_view token) {
    std::size_t pos = 0;
    auto skip = [&](std::string_view chars) {
        const bool found = pos < token.size() && chars.find(token[pos]) != std::string_view::npos;
        pos += found ? 1 : 0;
        return found;
    };
    auto digitRun = [&] {
        const std::size_t start = pos;
        while (pos < token.size() && token[pos] >= '0' && token[pos] <= '9') {
            ++pos;
        }
        return token.substr(start, pos - start);
    };

    Decimal d;
    d.negative = skip("-");
    d.digits = digitRun();
    if (skip(".")) {
        const std::string_view fraction = digitRun();
        d.digits += fraction;
        d.exponent -= static_cast<std::int64_t>(fraction.size());
    }
    if (skip("eE")) {
        const bool negative = skip("-");
        skip("+");
        // Saturated: anything beyond this bound is far outside the range either way.
        std::int64_t exponent = 0;
        for (const char c : digitRun()) {
            exponent = std::min<std::int64_t>(exponent * 10 + (c - '0'), 1'000'000'000);
        }
        d.exponent += negative ? -exponent : exponent;
    }
    d.digits.erase(0, d.digits.find_first_not_of('0'));
    while (!d.digits.empty() && d.digits.back() == '0') {
        d.digits.pop_back();
        ++d.exponent;
    }
    return d;
}

}  // namespace

std::optional<std::int64_t> wholeNumber(std::string_view token) {
    const Decimal d = splitNumber(token);
    if (d.digits.empty()) {
        return 0;
    }
    // A fraction, or at least 10^19, which is beyond 2^63.
    if (d.exponent < 0 || static_cast<std::int64_t>(d.digits.size()) + d.exponent > 19) {
        return std::nullopt;
    }
    std::uint64_t magnitude = 0;
    for (const char c : d.digits) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
    }
    for (std::int64_t i = 0; i < d.exponent; ++i) {
        magnitude *= 10;
    }
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (magnitude > kMax + (d.negative ? 1 : 0)) {
        return std::nullopt;
    }
    // Modular, so that 2^63 negated is the least value.
    return static_cast<std::int64_t>(d.negative ? 0 - magnitude : magnitude);
}

}  // namespace wystrand
