#include "bench/Figures.h"

#include <algorithm>
#include <cstdio>

namespace wystrand::bench {

namespace {

// Display width, counting each UTF-8 sequence as one column.
std::size_t columns(const std::string& s) {
    std::size_t n = 0;
    for (const char c : s) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return n;
}

std::string pad(const std::string& s, std::size_t width) {
    const std::size_t w = columns(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

}  // namespace

void Table::row(std::string measure, std::string ours, std::string reference, std::string ratio,
                std::string target, Verdict verdict) {
    rows_.push_back({false,
                     {std::move(measure), std::move(ours), std::move(reference), std::move(ratio),
                      std::move(target)},
                     verdict});
}

void Table::section(std::string title) {
    rows_.push_back({true, {std::move(title)}, Verdict::none});
}

void Table::print() const {
    const char* headers[] = {"measure", "wystrand-notify", "reference", "ratio", "target"};
    std::size_t widths[5];
    for (int c = 0; c < 5; ++c) {
        widths[c] = columns(headers[c]);
        for (const Row& r : rows_) {
            if (!r.section) {
                widths[c] = std::max(widths[c], columns(r.cells[c]));
            }
        }
    }
    auto line = [&](const std::string* cells, const char* last) {
        std::string out = "| ";
        for (int c = 0; c < 5; ++c) {
            out += pad(cells[c], widths[c]) + " | ";
        }
        std::printf("%s%s |\n", out.c_str(), last);
    };
    const std::string head[] = {headers[0], headers[1], headers[2], headers[3], headers[4]};
    line(head, "met");
    std::string rule = "|";
    for (const std::size_t w : widths) {
        rule += std::string(w + 2, '-') + "|";
    }
    std::printf("%s-----|\n", rule.c_str());
    for (const Row& r : rows_) {
        if (r.section) {
            const std::string cells[] = {"**" + r.cells[0] + "**", "", "", "", ""};
            line(cells, "   ");
        } else {
            line(r.cells, r.verdict == Verdict::met      ? "yes"
                          : r.verdict == Verdict::missed ? "NO "
                                                         : "   ");
        }
    }
}

std::vector<std::string> Table::missed() const {
    std::vector<std::string> out;
    for (const Row& r : rows_) {
        if (r.verdict == Verdict::missed) {
            out.push_back(r.cells[0]);
        }
    }
    return out;
}

std::size_t Table::targets() const {
    return static_cast<std::size_t>(std::count_if(
        rows_.begin(), rows_.end(), [](const Row& r) { return r.verdict != Verdict::none; }));
}

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

Table::Verdict verdict(bool met) {
    return met ? Table::Verdict::met : Table::Verdict::missed;
}

}  // namespace wystrand::bench
