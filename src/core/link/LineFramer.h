#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace wystrand {

// Cuts a byte stream into lines at byte 10. Passive: it owns no descriptor, thread or timer.
// Each returned line is valid UTF-8 (strict), trimmed of Unicode space separators (Zs) and
// horizontal tabs at both ends (a carriage return stays), and non-empty. Lines that are not
// valid UTF-8, or blank after trimming, are dropped. Bytes after the last line feed are kept
// for the next call. Lines have no length limit.
class LineFramer {
public:
    std::vector<std::string> feed(std::string_view bytes);

    // Forgets a partial line (used when the connection drops).
    void reset();

    std::size_t buffered() const;

    // Bytes looked at or moved since construction: searched for a line feed, checked as part of
    // a line, or moved when cut lines are erased. A test bounds it per byte fed.
    std::size_t work() const { return work_; }

private:
    std::size_t findNewline();
    void eraseCutLines();

    // Lines already cut are skipped by `start_` and erased once per feed, and the search for the
    // next line feed resumes at `scanned_`, so a long line arriving in small chunks or many
    // short lines in one chunk cost time linear in their length.
    std::string buffer_;
    std::size_t start_ = 0;
    std::size_t scanned_ = 0;
    std::size_t work_ = 0;
};

}  // namespace wystrand
