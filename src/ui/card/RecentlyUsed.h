#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace wystrand {

// The last `Capacity` values made, found again by an equal key; when full, the one used least
// recently makes room. Meant for a handful of entries, looked up in order: cards repeat the
// same few texts and looks, and a short list compares faster than a key can be hashed.
// Not thread-safe; the card caches live on the main thread.
template <typename Key, typename Value, std::size_t Capacity>
class RecentlyUsed {
    static_assert(Capacity > 0);

public:
    // The value kept for `key`, or the one `make()` returns, kept from now on. The reference
    // holds until the next get() or clear().
    template <typename Make>
    const Value& get(const Key& key, Make&& make) {
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->first == key) {
                // The most recently used stays last.
                std::rotate(it, it + 1, entries_.end());
                return entries_.back().second;
            }
        }
        Value made = std::forward<Make>(make)();
        if (entries_.size() == Capacity) {
            entries_.erase(entries_.begin());
        }
        entries_.emplace_back(key, std::move(made));
        return entries_.back().second;
    }

    void clear() { entries_.clear(); }
    std::size_t size() const { return entries_.size(); }

private:
    std::vector<std::pair<Key, Value>> entries_;
};

}  // namespace wystrand
