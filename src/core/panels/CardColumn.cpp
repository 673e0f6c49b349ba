#include "core/panels/CardColumn.h"

#include <algorithm>

#include "core/panels/StackLayout.h"

namespace wystrand {

namespace {

std::vector<int> heightsOf(const std::vector<ColumnEntry>& entries) {
    std::vector<int> heights;
    heights.reserve(entries.size());
    for (const ColumnEntry& e : entries) {
        heights.push_back(e.height);
    }
    return heights;
}

}  // namespace

QRect CardColumn::place(const QString& id, CardHandle card, NotifyMode mode,
                        const QRect& visibleFrame) {
    const QRect frame = nextFrame(visibleFrame, mode, heightsOf(entries_));
    entries_.push_back({id, card, frame.height(), frame.y()});
    return frame;
}

bool CardColumn::remove(CardHandle card) {
    return std::erase_if(entries_, [card](const ColumnEntry& e) { return e.card == card; }) > 0;
}

std::vector<ColumnMove> CardColumn::restack(const QRect& visibleFrame) {
    const std::vector<int> tops = restackTops(visibleFrame, heightsOf(entries_));
    const int bottom = visibleFrame.y() + visibleFrame.height();
    std::vector<ColumnMove> moves;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        ColumnEntry& e = entries_[i];
        if (e.top == tops[i]) {
            continue;
        }
        moves.push_back({e.card, tops[i], std::min(e.top, tops[i]) < bottom});
        e.top = tops[i];
    }
    return moves;
}

std::vector<CardHandle> CardColumn::cards() const {
    std::vector<CardHandle> out;
    out.reserve(entries_.size());
    for (const ColumnEntry& e : entries_) {
        out.push_back(e.card);
    }
    return out;
}

std::vector<CardHandle> CardColumn::cardsWithId(const QString& id) const {
    std::vector<CardHandle> out;
    for (const ColumnEntry& e : entries_) {
        if (e.id == id) {
            out.push_back(e.card);
        }
    }
    return out;
}

}  // namespace wystrand
