#pragma once

#include <QTimer>
#include <chrono>
#include <functional>

namespace wystrand {

// Heap release after the column empties: once no card has been shown for a moment, the heap
// that closed cards freed goes back to the system. glibc keeps freed pages for reuse, and the
// agent waits far longer than it shows cards, so without it a burst's pages would stay resident.
class HeapRelease {
public:
    // Hands glibc's free heap pages back to the system (malloc_trim); nothing elsewhere.
    static void trimHeap();

    // `release` runs once the column has stayed empty for `delay`; replaceable in tests.
    HeapRelease(std::chrono::milliseconds delay, std::function<void()> release);

    void cardShown();
    // The last card has closed; its widgets are deleted later, so the release waits a moment.
    void columnEmptied();

private:
    QTimer timer_;
};

}  // namespace wystrand
