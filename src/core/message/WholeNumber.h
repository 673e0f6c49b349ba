#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace wystrand {

// The exact value of a JSON number token when it is a whole number within the signed 64-bit
// range (3, 3.0, 30e-1 alike), else nothing. Works on the decimal digits rather than on a
// double, so that 1.0000000000000000001 is not whole and -9223372036854775809 (which rounds to
// -2^63 as a double) is out of range. `token` is one the JSON parser has accepted:
// -?int(.fraction)?([eE][+-]?exponent)?
std::optional<std::int64_t> wholeNumber(std::string_view token);

}  // namespace wystrand
