// The line framer fed one byte stream in chunks of varying size. Each chunk is a length byte
// followed by up to that many bytes, so the fuzzer moves the chunk boundaries as well as the
// content. The lines must not depend on where the chunks were cut, and must equal the lines of
// a plain split of the whole stream, checked through Qt's own UTF-8 decoder.
#include <QChar>
#include <QString>
#include <QStringDecoder>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/link/LineFramer.h"

namespace {

using wystrand::LineFramer;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool isBlank(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

// What the framer must hand on for one line: strict UTF-8, spaces and tabs trimmed, not empty.
std::vector<std::string> expectedLines(std::string_view stream) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t newline; (newline = stream.find('\n', start)) != std::string_view::npos;
         start = newline + 1) {
        const std::string_view raw = stream.substr(start, newline - start);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = decoder.decode(QByteArrayView(raw.data(), qsizetype(raw.size())));
        if (decoder.hasError()) {
            continue;
        }
        qsizetype begin = 0;
        qsizetype end = text.size();
        while (begin < end && isBlank(text[begin])) {
            ++begin;
        }
        while (end > begin && isBlank(text[end - 1])) {
            --end;
        }
        if (begin < end) {
            lines.push_back(text.mid(begin, end - begin).toStdString());
        }
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LineFramer chunked;
    std::vector<std::string> lines;
    std::string stream;
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t declared = data[pos++];
        const std::size_t length = std::min(declared, size - pos);
        const std::string_view chunk(reinterpret_cast<const char*>(data) + pos, length);
        pos += length;
        stream.append(chunk);
        for (std::string& line : chunked.feed(chunk)) {
            lines.push_back(std::move(line));
        }
    }

    LineFramer whole;
    check(whole.feed(stream) == lines);
    check(lines == expectedLines(stream));

    const std::size_t lastNewline = stream.rfind('\n');
    const std::size_t pending =
        lastNewline == std::string::npos ? stream.size() : stream.size() - lastNewline - 1;
    check(chunked.buffered() == pending);
    check(whole.buffered() == pending);

    chunked.reset();
    check(chunked.buffered() == 0);
    check(chunked.feed("\n").empty());
    return 0;
}
