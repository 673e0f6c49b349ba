#pragma once

#include <QImage>
#include <QSize>

struct wl_buffer;
struct wl_shm;

namespace wystrand::wayland {

// One wl_shm buffer in shared memory of its own, seen by Qt as a premultiplied ARGB image
// (wl_shm's ARGB8888 on a little-endian machine). Busy from attach until the compositor
// releases it.
class ShmBuffer {
public:
    // An invalid buffer (no wl_buffer) when the memory cannot be had.
    ShmBuffer(wl_shm* shm, QSize pixels);
    ~ShmBuffer();
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;

    bool valid() const { return buffer_ != nullptr; }
    QSize size() const { return size_; }
    bool busy() const { return busy_; }
    // Draw here, then attach: the image shares the buffer's memory.
    QImage& image() { return image_; }
    wl_buffer* attach();

private:
    QSize size_;
    void* data_ = nullptr;
    std::size_t bytes_ = 0;
    wl_buffer* buffer_ = nullptr;
    QImage image_;
    bool busy_ = false;
};

}  // namespace wystrand::wayland
