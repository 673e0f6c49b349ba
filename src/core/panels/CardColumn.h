#pragma once

#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/message/Protocol.h"

namespace wystrand {

// Names one card for as long as it is in the column; never reused, whatever the card's id.
using CardHandle = std::uint64_t;

struct ColumnEntry {
    QString id;
    CardHandle card = 0;
    QRect frame;  // where the card rests, or is moving to
};

// One card to move when the column restacks.
struct ColumnMove {
    CardHandle card = 0;
    int top = 0;
    // False when the card stays below the visible frame's bottom edge before and after: nobody
    // sees it travel, so it may jump.
    bool animate = true;

    bool operator==(const ColumnMove&) const = default;
};

// The bookkeeping of the card column, topmost first: every card from the moment it is placed
// until it has finished closing, two cards under one id included, and where each rests. The
// windows only apply what it computes, and ask it where their card rests.
class CardColumn {
public:
    // Places a new card below every card in the column and enters it; its frame. Cards are
    // placed in the order of their handles.
    QRect place(const QString& id, CardHandle card, NotifyMode mode, const QRect& visibleFrame);
    // Takes out the card's own entry, the others keeping their order and their tops until the
    // next restack; false when it was not in the column.
    bool remove(CardHandle card);

    // The cards that close the gaps, with their new tops, topmost first; the tops are
    // recorded. Cards whose place does not change are left out.
    std::vector<ColumnMove> restack(const QRect& visibleFrame);

    // Where the card rests, or is moving to; nothing for a card not in the column.
    std::optional<QRect> frameOf(CardHandle card) const;
    // Topmost first.
    std::vector<CardHandle> cards() const;
    std::vector<CardHandle> cardsWithId(const QString& id) const;
    const std::vector<ColumnEntry>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }

private:
    std::vector<ColumnEntry> entries_;
};

}  // namespace wystrand
