#include "ui/panels/HeapRelease.h"

#include <utility>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace wystrand {

void HeapRelease::trimHeap() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

HeapRelease::HeapRelease(std::chrono::milliseconds delay, std::function<void()> release) {
    timer_.setSingleShot(true);
    timer_.setInterval(delay);
    QObject::connect(&timer_, &QTimer::timeout, [release = std::move(release)] {
        if (release) {
            release();
        }
    });
}

void HeapRelease::cardShown() {
    timer_.stop();
}

void HeapRelease::columnEmptied() {
    timer_.start();
}

}  // namespace wystrand
