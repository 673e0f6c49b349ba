#include "core/link/LineFramer.h"

#include <optional>

namespace wystrand {

namespace {

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes one code point at `pos`, rejecting overlong forms, surrogates, values above U+10FFFF
// and truncated sequences. On success `pos` moves past it.
std::optional<char32_t> decodeAt(std::string_view s, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (s.size() - pos < length) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(s[pos + i]);
        if (!isContinuation(byte)) {
            return std::nullopt;
        }
        cp = (cp << 6) | (byte & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return std::nullopt;
    }
    pos += length;
    return cp;
}

bool isValidUtf8(std::string_view s) {
    std::size_t pos = 0;
    while (pos < s.size()) {
        if (!decodeAt(s, pos)) {
            return false;
        }
    }
    return true;
}

// Horizontal tab and the Unicode space separators (general category Zs).
bool isBlank(char32_t cp) {
    return cp == 0x09 || cp == 0x20 || cp == 0xA0 || cp == 0x1680 ||
           (cp >= 0x2000 && cp <= 0x200A) || cp == 0x202F || cp == 0x205F || cp == 0x3000;
}

// `s` must be valid UTF-8.
std::string_view trimBlanks(std::string_view s) {
    std::size_t begin = 0;
    while (begin < s.size()) {
        std::size_t next = begin;
        if (!isBlank(*decodeAt(s, next))) {
            break;
        }
        begin = next;
    }
    std::size_t end = s.size();
    while (end > begin) {
        std::size_t lead = end - 1;
        while (lead > begin && isContinuation(static_cast<unsigned char>(s[lead]))) {
            --lead;
        }
        std::size_t next = lead;
        if (!isBlank(*decodeAt(s, next))) {
            break;
        }
        end = lead;
    }
    return s.substr(begin, end - begin);
}

}  // namespace

std::vector<std::string> LineFramer::feed(std::string_view bytes) {
    buffer_.append(bytes);
    std::vector<std::string> lines;
    for (std::size_t newline = findNewline(); newline != std::string::npos;
         newline = findNewline()) {
        const std::string_view line(buffer_.data() + start_, newline - start_);
        start_ = newline + 1;
        work_ += line.size();
        if (!isValidUtf8(line)) {
            continue;
        }
        const std::string_view trimmed = trimBlanks(line);
        if (!trimmed.empty()) {
            lines.emplace_back(trimmed);
        }
    }
    eraseCutLines();
    return lines;
}

// From where the last search stopped; at the end of the buffer when there is none.
std::size_t LineFramer::findNewline() {
    const std::size_t from = scanned_;
    const std::size_t newline = buffer_.find('\n', from);
    const std::size_t end = newline == std::string::npos ? buffer_.size() : newline + 1;
    work_ += end - from;
    scanned_ = end;
    return newline;
}

// Whatever is left after the last line feed arrived in this call, so erasing the cut lines
// here costs at most the size of this chunk.
void LineFramer::eraseCutLines() {
    if (start_ == 0) {
        return;
    }
    work_ += buffer_.size() - start_;
    buffer_.erase(0, start_);
    scanned_ -= start_;
    start_ = 0;
}

void LineFramer::reset() {
    buffer_.clear();
    buffer_.shrink_to_fit();
    start_ = 0;
    scanned_ = 0;
}

std::size_t LineFramer::buffered() const {
    return buffer_.size() - start_;
}

}  // namespace wystrand
