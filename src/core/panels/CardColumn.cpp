#include "core/panels/CardColumn.h"

#include <algorithm>

#include "core/panels/StackLayout.h"

namespace wystrand {

namespace {

std::vector<int> heightsOf(const std::vector<ColumnEntry>& entries) {
    std::vector<int> heights;
    heights.reserve(entries.size());
    for (const ColumnEntry& e : entries) {
        heights.push_back(e.frame.height());
    }
    return heights;
}

}  // namespace

QRect CardColumn::place(const QString& id, CardHandle card, NotifyMode mode,
                        const QRect& visibleFrame) {
    Q_ASSERT(entries_.empty() || card > entries_.back().card);
    const QRect frame = nextFrame(visibleFrame, mode, heightsOf(entries_));
    entries_.push_back({id, card, frame});
    return frame;
}

std::optional<QRect> CardColumn::frameOf(CardHandle card) const {
    // Entered in the order of their handles: a restack asks for every card it moves.
    const auto it =
        std::lower_bound(entries_.begin(), entries_.end(), card,
                         [](const ColumnEntry& e, CardHandle wanted) { return e.card < wanted; });
    if (it == entries_.end() || it->card != card) {
        return std::nullopt;
    }
    return it->frame;
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
        if (e.frame.y() == tops[i]) {
            continue;
        }
        moves.push_back({e.card, tops[i], std::min(e.frame.y(), tops[i]) < bottom});
        e.frame.moveTop(tops[i]);
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
