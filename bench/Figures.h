#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace wystrand::bench {

// Milliseconds, as the table prints them.
inline double ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Summary {
    std::size_t n = 0;
    double median = 0;
    double p99 = 0;
};

// Nearest-rank percentiles.
inline Summary summarize(std::vector<double> values) {
    Summary s;
    s.n = values.size();
    if (values.empty()) {
        return s;
    }
    std::sort(values.begin(), values.end());
    auto rank = [&](double p) {
        const auto i = static_cast<std::size_t>(p * static_cast<double>(values.size()) + 0.999999);
        return values[std::clamp<std::size_t>(i, 1, values.size()) - 1];
    };
    s.median = rank(0.5);
    s.p99 = rank(0.99);
    return s;
}

// The printed result: one row per figure, with what it is compared against.
class Table {
public:
    enum class Verdict { none, met, missed };

    void row(std::string measure, std::string ours, std::string reference = {},
             std::string ratio = {}, std::string target = {}, Verdict verdict = Verdict::none);
    void section(std::string title);
    void print() const;
    std::vector<std::string> missed() const;
    std::size_t targets() const;

private:
    struct Row {
        bool section = false;
        std::string cells[5];
        Verdict verdict = Verdict::none;
    };
    std::vector<Row> rows_;
};

std::string fixed(double value, int decimals);
Table::Verdict verdict(bool met);

}  // namespace wystrand::bench
